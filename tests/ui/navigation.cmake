# Live navigation under Xvfb: drags, keys, zoom and overlays, and the frame on the screen against
# morrow-warp --camera; the scene comes from morrow-scene at test time.
morrow_add_qtest(test_navigation_gui ${CMAKE_CURRENT_LIST_DIR}/NavigationTest.cpp)
target_include_directories(test_navigation_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(test_navigation_gui PRIVATE
  MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>" MORROW_WARP_TOOL="$<TARGET_FILE:morrow-warp>")
add_dependencies(test_navigation_gui morrow-scene morrow-warp)
