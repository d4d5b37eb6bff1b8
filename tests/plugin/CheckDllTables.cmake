# Checks QUAR2.dll's tables with objdump -p: the export table names exactly VSTPluginMain, main
# and MAIN (or the sorted list EXPORTS gives: clap_entry for QUAR2.clap), and every imported
# DLL is a Windows system DLL (no compiler runtime such as
# libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll, which a clean Windows lacks).
# Usage: cmake -DOBJDUMP=... -DDLL=... [-DEXPORTS=a;b or a,b] -P CheckDllTables.cmake
# (EXPORTS: the sorted export names another module must have instead: the VST3 module's,
# QUAR2.clap's.)
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED EXPORTS)
  set(EXPORTS "MAIN;VSTPluginMain;main")
endif()
string(REPLACE "," ";" EXPORTS "${EXPORTS}")
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p ${DLL} failed (${rc})")
endif()

# Exports: the lines "[   n] name" after the name pointer table heading.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no export name table in ${DLL}")
endif()
string(SUBSTRING "${dump}" ${at} -1 tail)
# The table ends at the first empty line.
string(FIND "${tail}" "\n\n" end)
if(NOT end EQUAL -1)
  string(SUBSTRING "${tail}" 0 ${end} tail)
endif()
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${tail}")
set(exports)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "\\[ *[0-9]+\\] " "" name "${entry}")
  string(STRIP "${name}" name)
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
if(NOT exports STREQUAL EXPORTS)
  message(FATAL_ERROR "exports are '${exports}', expected exactly '${EXPORTS}'")
endif()

# Imports: every "DLL Name:" line.
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(allowed kernel32.dll msvcrt.dll user32.dll gdi32.dll gdiplus.dll ole32.dll oleaut32.dll
    shell32.dll advapi32.dll comctl32.dll comdlg32.dll shlwapi.dll uuid.dll version.dll
    winmm.dll ws2_32.dll imm32.dll)
set(imports)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  list(APPEND imports "${name}")
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a Windows system DLL")
  endif()
endforeach()
if(NOT imports)
  message(FATAL_ERROR "no import table found in ${DLL}")
endif()
message(STATUS "exports: ${exports}; imports: ${imports}")
