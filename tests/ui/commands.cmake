# The five view commands through the real menu, dialogs and display (Qt Test under Xvfb). The
# sample data files come from morrow-scene at test time.
morrow_add_qtest(test_commands ${CMAKE_CURRENT_LIST_DIR}/CommandsTest.cpp)
target_compile_definitions(test_commands PRIVATE
  MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>" MORROW_WARP_TOOL="$<TARGET_FILE:morrow-warp>")
add_dependencies(test_commands morrow-scene morrow-warp)
