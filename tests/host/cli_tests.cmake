# Tests of the command-line host (host/cli), included from this folder's CMakeLists.txt. The
# command-line host is a Linux program; its tests run natively.
if(NOT WIN32)
  # Two small plug-ins the end-to-end tests drive: a delay with a known latency, parameters and
  # a chunk, and one whose entry point returns no effect.
  # Its editor is an X11 window of its own.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CLI_TEST_X11 REQUIRED IMPORTED_TARGET x11)
  foreach(variant test null)
    add_library(cli_${variant}_plugin MODULE CliTestPlugin.cpp CliTestEditorX11.cpp)
    set_target_properties(cli_${variant}_plugin PROPERTIES PREFIX "")
    target_include_directories(cli_${variant}_plugin PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(cli_${variant}_plugin PRIVATE PkgConfig::CLI_TEST_X11)
    target_link_options(cli_${variant}_plugin PRIVATE -Wl,--no-undefined)
  endforeach()
  target_compile_definitions(cli_null_plugin PRIVATE QUAR2_TEST_NULL_EFFECT)

  quar2_add_gtest(NAME cli_unit_tests
    SOURCES CliFxpTest.cpp CliParameterTest.cpp CliSupportTest.cpp
    LIBS quar2_cli)

  # quar2-host runs Debian's plug-ins in its own process: under the sanitizers it needs the
  # same leak suppression as the third-party plug-in test (their start-up allocations).
  set(cli_env)
  if(QUAR2_SANITIZE)
    set(cli_env "ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0"
                "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/thirdparty.lsan.supp")
  endif()
  quar2_add_gtest(NAME cli_command_tests
    SOURCES CliCommandTest.cpp CliLoudnessTest.cpp CliPresetTest.cpp CliRenderEditorTest.cpp
            CliUsageTest.cpp CliSafetyTest.cpp CliTestSupport.cpp
    LIBS quar2_cli
    ENVIRONMENT ${cli_env})
  add_dependencies(cli_command_tests quar2-host cli_test_plugin cli_null_plugin)
  target_compile_definitions(cli_command_tests PRIVATE
    QUAR2_HOST_EXE="$<TARGET_FILE:quar2-host>"
    QUAR2_TEST_PLUGIN="$<TARGET_FILE:cli_test_plugin>"
    QUAR2_NULL_PLUGIN="$<TARGET_FILE:cli_null_plugin>"
    QUAR2_README="${PROJECT_SOURCE_DIR}/README.md")
  target_link_libraries(cli_command_tests PRIVATE util) # forkpty
endif()

if(WIN32)
  # The same test plug-in as a Windows DLL, and a variant that crashes while processing, for the
  # tests through the Wine bridge.
  foreach(variant test crash)
    add_library(cli_${variant}_plugin MODULE CliTestPlugin.cpp CliTestEditor.cpp)
    set_target_properties(cli_${variant}_plugin PROPERTIES PREFIX "")
    target_include_directories(cli_${variant}_plugin PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(cli_${variant}_plugin PRIVATE gdi32 user32)
  endforeach()
  target_compile_definitions(cli_crash_plugin PRIVATE QUAR2_TEST_CRASH)
endif()

if(WIN32)
  # quar2-host (a Linux program, from the native build) through the bridge under Wine.
  add_test(NAME cli_bridge_tests
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_bridge_test.sh ${QUAR2_NATIVE_BUILD_DIR}
            $<TARGET_FILE:quar2-bridge> $<TARGET_FILE:cli_test_plugin>
            $<TARGET_FILE:cli_crash_plugin> $<TARGET_FILE:QUAR2>)
  set_tests_properties(cli_bridge_tests PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")

  # QUAR2's Linux editor (the native build's QUAR2.so) against this build's QUAR2.dll at one
  # fixed state, both pictured by quar2-host render-editor; the side-by-side picture is kept in
  # artifacts/.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/artifacts)
  add_test(NAME editor_builds_tests
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/editor_builds_test.sh ${QUAR2_NATIVE_BUILD_DIR}
            $<TARGET_FILE:QUAR2> $<TARGET_FILE:quar2-bridge> ${PROJECT_SOURCE_DIR}/resources
            ${CMAKE_BINARY_DIR}/artifacts/editor_linux_windows.png)
  set_tests_properties(editor_builds_tests PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")
endif()

if(NOT WIN32)
  # quar2-host with the real plug-in, QUAR2.so.
  quar2_add_gtest(NAME cli_quar2_tests
    SOURCES CliQuar2Test.cpp CliTestSupport.cpp
    LIBS quar2_cli
    ENVIRONMENT ${cli_env})
  add_dependencies(cli_quar2_tests quar2-host QUAR2)
  target_compile_definitions(cli_quar2_tests PRIVATE
    QUAR2_HOST_EXE="$<TARGET_FILE:quar2-host>"
    QUAR2_PLUGIN_SO="$<TARGET_FILE:QUAR2>"
    QUAR2_REPORT_SCHEMA="${PROJECT_SOURCE_DIR}/host/cli/report.schema.json")
endif()

if(NOT WIN32)
  # A spoken-word programme (espeak-ng, sox) levelled with the "podcast" preset to the podcast
  # loudness, measured by its own code and ffmpeg's ebur128.
  find_program(QUAR2_ESPEAK_NG espeak-ng)
  find_program(QUAR2_SOX_PROGRAM sox)
  find_program(QUAR2_FFMPEG ffmpeg)
  if(QUAR2_ESPEAK_NG AND QUAR2_SOX_PROGRAM AND QUAR2_FFMPEG)
    add_test(NAME voice_levelling_tests
      COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/voice_programme.py check
              $<TARGET_FILE:quar2-host> $<TARGET_FILE:QUAR2> ${CMAKE_CURRENT_BINARY_DIR}/voice)
    set_tests_properties(voice_levelling_tests PROPERTIES TIMEOUT 300)
  endif()
endif()
