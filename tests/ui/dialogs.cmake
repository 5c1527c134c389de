# The two camera-move dialogs: templates, data exchange and hints (Qt Test under Xvfb).
morrow_add_qtest(test_dialogs ${CMAKE_CURRENT_LIST_DIR}/DialogsTest.cpp)
