# Helper functions shared by every folder's CMakeLists.txt.

# quar2_setup_gtest()
#   Builds GoogleTest from the Debian source tree (/usr/src/googletest) with the current compiler,
#   so that the native, sanitized and mingw-w64 builds each get a matching library.
function(quar2_setup_gtest)
  set(gtest_disable_pthreads ${WIN32} CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      # GoogleTest's own sources are not ours to keep warning-free, nor to optimise.
      target_compile_options(${t} PRIVATE -w -O0)
    endif()
  endforeach()
endfunction()

# quar2_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                 [ENVIRONMENT <VAR=value...>])
#   One GoogleTest program registered as ONE CTest test (Wine start-up is paid once per
#   program, not once per test case). On the win64 build CTest runs it through Wine
#   (CMAKE_CROSSCOMPILING_EMULATOR from the toolchain file) in the build's own Wine prefix.
function(quar2_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  # The code under test comes optimised from its libraries; the test code itself, heavy with
  # GoogleTest's macros, compiles several times faster unoptimised and runs just as well.
  target_compile_options(${T_NAME} PRIVATE -O0)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  set(env ${T_ENVIRONMENT})
  if(WIN32)
    list(APPEND env "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" "WINEDEBUG=-all")
  endif()
  if(env)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}")
  endif()
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 300)
endfunction()

# quar2_add_resources(<name> <file.rc> [DEPENDS <files...>])
#   Compiles a resource script with the resource compiler into the object library <name>, which
#   the programs that carry those resources link. DEPENDS names the files the script embeds, so
#   that a changed picture recompiles it.
function(quar2_add_resources name rc)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  add_library(${name} OBJECT ${rc})
  list(TRANSFORM R_DEPENDS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${R_DEPENDS}")
endfunction()
