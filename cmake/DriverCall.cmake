# The calling convention of TEVRIS.DLL's four functions, chosen when the build
# is configured (included by RelaytestDriver.cmake):
#   RELAYTEST_DRIVER_CALL  cdecl or stdcall
# x64 has one convention, so only a 32-bit x86 build needs it, and a 32-bit
# build against the maker's DLL cannot go without it: a wrong guess links and
# starts, then corrupts the stack at the first driver call. The convention is
# set as DRIVER_CALL (card/Driver.h) on every file that includes Driver.h, so
# that the system's code, the simulated card, the stand-in DLL and the tests
# all agree (relaytest_driver_call_on_sources, called once every target is
# made). Sets relaytest_stdcall (ON when the import library and the stand-in
# DLL must map decorated names to undecorated exports).
set(RELAYTEST_DRIVER_CALL "" CACHE STRING
    "Calling convention of TEVRIS.DLL's functions in a 32-bit build: cdecl or stdcall (README: Which build fits your TEVRIS.DLL)")
set_property(CACHE RELAYTEST_DRIVER_CALL PROPERTY STRINGS cdecl stdcall)
set(relaytest_stdcall OFF)
set(relaytest_driver_call_definition "")

# relaytest_driver_call_on_sources(TARGET...): DRIVER_CALL on each source file
# that includes Driver.h, in the folder of each TARGET given (one for every
# folder that compiles such a file). Only these few files differ between the
# cdecl and the stdcall build, so the second build of scripts/test-windows.sh
# takes everything else from the compiler cache. A file that calls the driver
# without it fails to link in a stdcall build: the import library has only
# the decorated names (InBAR32@12).
function(relaytest_driver_call_on_sources)
  if(NOT relaytest_driver_call_definition)
    return()
  endif()
  file(GLOB_RECURSE candidates LIST_DIRECTORIES false CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/card/*.cpp ${PROJECT_SOURCE_DIR}/sim/*.cpp
       ${PROJECT_SOURCE_DIR}/station/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.cpp)
  set(includers "")
  foreach(file IN LISTS candidates)
    file(STRINGS ${file} includes REGEX "^#include \"(card/)?Driver\\.h\"")
    if(includes)
      list(APPEND includers ${file})
    endif()
  endforeach()
  set(targets "")
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      list(APPEND targets ${target})
    endif()
  endforeach()
  set_property(SOURCE ${includers} TARGET_DIRECTORY ${targets} APPEND PROPERTY
               COMPILE_DEFINITIONS ${relaytest_driver_call_definition})
endfunction()

if(NOT RELAYTEST_DRIVER_CALL STREQUAL "" AND NOT RELAYTEST_DRIVER_CALL STREQUAL "cdecl"
   AND NOT RELAYTEST_DRIVER_CALL STREQUAL "stdcall")
  message(FATAL_ERROR "RELAYTEST_DRIVER_CALL is \"${RELAYTEST_DRIVER_CALL}\": use cdecl or stdcall")
endif()

if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  if(RELAYTEST_DRIVER_CALL)
    message(STATUS "relaytest driver calling convention: RELAYTEST_DRIVER_CALL=${RELAYTEST_DRIVER_CALL} "
                   "changes nothing in a 64-bit build, which has one calling convention")
  endif()
  return()
endif()

if(NOT RELAYTEST_DRIVER_CALL)
  if(RELAYTEST_DRIVER STREQUAL "vendor")
    message(FATAL_ERROR
      "A 32-bit build against TEVRIS.DLL must be told the calling convention of the DLL's functions: "
      "configure with -DRELAYTEST_DRIVER_CALL=cdecl or -DRELAYTEST_DRIVER_CALL=stdcall.\n"
      "Export names with an @ and a number (InBAR32@12, _InBAR32@12), or the maker's declarations "
      "saying WINAPI, __stdcall, PASCAL or CALLBACK, mean stdcall; otherwise it is cdecl. "
      "README.md, section \"Which build fits your TEVRIS.DLL\", shows how to look.")
  endif()
  # The simulated card is linked in: both sides use the compiler's default.
  return()
endif()

set(relaytest_driver_call_definition DRIVER_CALL=__${RELAYTEST_DRIVER_CALL})
if(RELAYTEST_DRIVER_CALL STREQUAL "stdcall")
  set(relaytest_stdcall ON)
endif()
message(STATUS "relaytest driver calling convention: ${RELAYTEST_DRIVER_CALL}")
