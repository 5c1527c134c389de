morrow_add_qtest(platform_test ${CMAKE_CURRENT_LIST_DIR}/PlatformTest.cpp)
if(MORROW_SANITIZE)
  # The leaks LeakSanitizer finds here are the D-Bus client's and the unloaded Mesa driver's;
  # address and undefined-behaviour errors still fail the test.
  set_property(TEST platform_test APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
