# Hostile data files through Load Imagedata in the real main window, then a free and a focus move
# on whatever was loaded (Qt Test under Xvfb). The files come from the robustness tests' builder.
morrow_add_qtest(test_hostile_load ${CMAKE_CURRENT_LIST_DIR}/HostileLoadTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/robustness/DataFiles.cpp)
target_include_directories(test_hostile_load PRIVATE ${PROJECT_SOURCE_DIR}/tests/robustness)
