# The open command on a stereo folder and the saves as PNG (Qt Test under Xvfb); the folder
# comes from morrow-scene at test time.
morrow_add_qtest(test_rgbd_commands ${CMAKE_CURRENT_LIST_DIR}/RgbdCommandsTest.cpp)
target_include_directories(test_rgbd_commands PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(test_rgbd_commands PRIVATE MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>")
add_dependencies(test_rgbd_commands morrow-scene)
