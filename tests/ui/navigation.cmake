# Live navigation under Xvfb: drags, keys, zoom and overlays, and the frame on the screen against
# morrow-warp --camera; the scene comes from morrow-scene at test time.
morrow_add_qtest(test_navigation_gui ${CMAKE_CURRENT_LIST_DIR}/NavigationTest.cpp)
target_include_directories(test_navigation_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(test_navigation_gui PRIVATE
  MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>" MORROW_WARP_TOOL="$<TARGET_FILE:morrow-warp>")
add_dependencies(test_navigation_gui morrow-scene morrow-warp)

# The same frame as the user waits for it, timed with Google Benchmark (make bench runs it under
# Xvfb); built with the tests, never run by CTest.
if(MORROW_BUILD_BENCH)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(bench_navigation_gui ${CMAKE_CURRENT_LIST_DIR}/NavigationBench.cpp)
    set_target_properties(bench_navigation_gui PROPERTIES AUTOMOC ON)
    target_link_libraries(bench_navigation_gui PRIVATE morrow_gui morrow_test_support
      morrow_test_support_gui benchmark::benchmark)
    target_compile_definitions(bench_navigation_gui PRIVATE
      MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>")
    add_dependencies(bench_navigation_gui morrow-scene)
  endif()
endif()

# The worker of live frames on its own (no window).
morrow_add_qtest(test_live_renderer ${CMAKE_CURRENT_LIST_DIR}/LiveRendererTest.cpp)
target_include_directories(test_live_renderer PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(test_live_renderer PRIVATE MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>")
add_dependencies(test_live_renderer morrow-scene)
