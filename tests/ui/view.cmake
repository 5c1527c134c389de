morrow_add_qtest(ui_view_test ${CMAKE_CURRENT_LIST_DIR}/ViewTest.cpp)
