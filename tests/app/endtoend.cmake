# One run as a user makes it: start with --imagedata on a sample from morrow-scene, a free and a
# focus move through their dialogs, both images saved and compared with what morrow-warp writes.
morrow_add_qtest(test_end_to_end ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.cpp)
target_compile_definitions(test_end_to_end PRIVATE
  MORROW_SCENE_TOOL="$<TARGET_FILE:morrow-scene>" MORROW_WARP_TOOL="$<TARGET_FILE:morrow-warp>")
add_dependencies(test_end_to_end morrow-scene morrow-warp)

add_test(NAME morrow_help_imagedata COMMAND $<TARGET_FILE:morrow> --help)
set_tests_properties(morrow_help_imagedata PROPERTIES PASS_REGULAR_EXPRESSION "--imagedata FILE")
