morrow_add_qtest(platform_test ${CMAKE_CURRENT_LIST_DIR}/PlatformTest.cpp)
