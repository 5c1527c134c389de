# The plain warp as a library: the oracle that the differential test (tests/warp_oracle) and the
# benchmark (tools/morrow-bench) compare the fast product warp with. Included by the top-level
# CMakeLists.txt whenever tests or benchmarks are built, so the benchmark has it with tests off.
add_library(morrow_warp_oracle STATIC ${CMAKE_CURRENT_LIST_DIR}/WarpOracle.cpp
            ${CMAKE_CURRENT_LIST_DIR}/WarpOracle.h)
target_include_directories(morrow_warp_oracle PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(morrow_warp_oracle PUBLIC morrow_core)
