morrow_add_qtest(app_shell_test ${CMAKE_CURRENT_LIST_DIR}/ShellTest.cpp)
if(MORROW_SANITIZE)
  # The leaks LeakSanitizer finds here are the D-Bus client's and the unloaded Mesa driver's;
  # address and undefined-behaviour errors still fail the test.
  set_property(TEST app_shell_test APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()

# The version and the help answer without a display.
add_test(NAME morrow_version COMMAND $<TARGET_FILE:morrow> --version)
set_tests_properties(morrow_version PROPERTIES PASS_REGULAR_EXPRESSION "^Morrow 1\\.0\\.0\\.1\n$")
add_test(NAME morrow_help COMMAND $<TARGET_FILE:morrow> --help)
set_tests_properties(morrow_help PROPERTIES PASS_REGULAR_EXPRESSION "--version")
