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
      # GoogleTest's own sources are not ours to keep warning-free.
      target_compile_options(${t} PRIVATE -w)
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
