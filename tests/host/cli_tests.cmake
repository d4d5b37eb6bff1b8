# Tests of the command-line host (host/cli), included from this folder's CMakeLists.txt. The
# command-line host is a Linux program; its tests run natively.
if(NOT WIN32)
  # Two small plug-ins the end-to-end tests drive: a delay with a known latency, parameters and
  # a chunk, and one whose entry point returns no effect.
  foreach(variant test null)
    add_library(cli_${variant}_plugin MODULE cli_test_plugin.cpp)
    set_target_properties(cli_${variant}_plugin PROPERTIES PREFIX "")
    target_include_directories(cli_${variant}_plugin PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_options(cli_${variant}_plugin PRIVATE -Wl,--no-undefined)
  endforeach()
  target_compile_definitions(cli_null_plugin PRIVATE QUAR2_TEST_NULL_EFFECT)

  quar2_add_gtest(NAME cli_unit_tests
    SOURCES cli_fxp_tests.cpp cli_parameter_tests.cpp cli_support_tests.cpp
    LIBS quar2_cli)

  quar2_add_gtest(NAME cli_command_tests
    SOURCES cli_command_tests.cpp cli_test_support.cpp
    LIBS quar2_cli)
  add_dependencies(cli_command_tests quar2-host cli_test_plugin cli_null_plugin)
  target_compile_definitions(cli_command_tests PRIVATE
    QUAR2_HOST_EXE="$<TARGET_FILE:quar2-host>"
    QUAR2_TEST_PLUGIN="$<TARGET_FILE:cli_test_plugin>"
    QUAR2_NULL_PLUGIN="$<TARGET_FILE:cli_null_plugin>")
endif()
