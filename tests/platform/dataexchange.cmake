# Dialog data exchange and template dialogs (Qt Test under Xvfb).
morrow_add_qtest(test_dataexchange ${CMAKE_CURRENT_LIST_DIR}/DataExchangeTest.cpp)
