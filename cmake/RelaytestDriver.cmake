# Which implementation of the driver's four functions relaytest is linked with,
# chosen when the build is configured:
#   vendor  the card maker's TEVRIS.DLL, imported at load time (Windows only)
#   sim     the simulated card in sim/, linked in
# The result is the interface target relaydriver.
if(WIN32)
  set(relaytest_driver_default vendor)
else()
  set(relaytest_driver_default sim)
endif()
set(RELAYTEST_DRIVER ${relaytest_driver_default} CACHE STRING
    "Driver implementation for relaytest: vendor (the card maker's TEVRIS.DLL) or sim (the simulated card)")
set_property(CACHE RELAYTEST_DRIVER PROPERTY STRINGS vendor sim)
set(RELAYTEST_DRIVER_IMPORT_LIB "" CACHE FILEPATH
    "Import library for TEVRIS.DLL to link instead of the one made from card/TEVRIS.def (vendor only)")

if(NOT RELAYTEST_DRIVER STREQUAL "vendor" AND NOT RELAYTEST_DRIVER STREQUAL "sim")
  message(FATAL_ERROR "RELAYTEST_DRIVER is \"${RELAYTEST_DRIVER}\": use vendor (the card maker's TEVRIS.DLL) "
                      "or sim (the simulated card)")
endif()
if(RELAYTEST_DRIVER STREQUAL "vendor" AND NOT WIN32)
  message(FATAL_ERROR "RELAYTEST_DRIVER=vendor links TEVRIS.DLL and needs a Windows build "
                      "(Visual Studio, or cmake/mingw-w64-x86_64.cmake as toolchain file); use sim here")
endif()
message(STATUS "relaytest driver: ${RELAYTEST_DRIVER}")
include(${CMAKE_CURRENT_LIST_DIR}/DriverCall.cmake)

add_library(relaydriver INTERFACE)
if(RELAYTEST_DRIVER STREQUAL "sim")
  target_link_libraries(relaydriver INTERFACE relaysim)
  return()
endif()

set(tevris_def ${PROJECT_SOURCE_DIR}/card/TEVRIS.def)
set(tevris_stdcall_def ${PROJECT_SOURCE_DIR}/card/TEVRIS-stdcall.def)

if(RELAYTEST_DRIVER_IMPORT_LIB)
  if(NOT EXISTS "${RELAYTEST_DRIVER_IMPORT_LIB}")
    message(FATAL_ERROR "RELAYTEST_DRIVER_IMPORT_LIB: no file at ${RELAYTEST_DRIVER_IMPORT_LIB}")
  endif()
  target_link_libraries(relaydriver INTERFACE "${RELAYTEST_DRIVER_IMPORT_LIB}")
else()
  # The import library holds no code: only the names of the four exports and
  # of the DLL that has them, which the loader resolves when relaytest starts.
  if(MSVC AND relaytest_stdcall)
    # lib /def cannot tell that InBAR32 is _InBAR32@12. The linker can: the
    # stand-in DLL's own link, from the same undecorated TEVRIS.def, makes an
    # import library that maps each decorated name to its undecorated export,
    # which is all relaytest takes from it.
    target_link_libraries(relaydriver INTERFACE tevris_standin)
  elseif(MSVC)
    set(tevris_import ${CMAKE_BINARY_DIR}/driver/TEVRIS.lib)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(tevris_machine x64)
    else()
      set(tevris_machine x86)
    endif()
    # The librarian, lib.exe, is CMAKE_AR with MSVC; the linker does the same
    # job when given /lib.
    if(CMAKE_AR)
      set(tevris_librarian "${CMAKE_AR}")
    else()
      set(tevris_librarian "${CMAKE_LINKER}" /lib)
    endif()
    set(tevris_make_import ${tevris_librarian} /nologo /def:${tevris_def} /machine:${tevris_machine}
                           /out:${tevris_import})
  elseif(MINGW)
    if(NOT CMAKE_DLLTOOL)
      message(FATAL_ERROR "dlltool not found: set CMAKE_DLLTOOL to mingw-w64's dlltool")
    endif()
    set(tevris_import ${CMAKE_BINARY_DIR}/driver/libTEVRIS.a)
    if(relaytest_stdcall)
      # The decorated names the compiler asks for (InBAR32@12), each bound to
      # the undecorated export the loader looks up (--kill-at).
      set(tevris_make_import "${CMAKE_DLLTOOL}" --input-def ${tevris_stdcall_def} --kill-at
                             --output-lib ${tevris_import})
      set(tevris_def ${tevris_stdcall_def})
    else()
      set(tevris_make_import "${CMAKE_DLLTOOL}" --input-def ${tevris_def} --output-lib ${tevris_import})
    endif()
  else()
    message(FATAL_ERROR "No way known to make an import library with this compiler: "
                        "set RELAYTEST_DRIVER_IMPORT_LIB to one for TEVRIS.DLL")
  endif()
endif()
if(tevris_import)
  add_custom_command(
    OUTPUT ${tevris_import}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/driver
    COMMAND ${tevris_make_import}
    DEPENDS ${tevris_def}
    COMMENT "Making the TEVRIS.DLL import library from ${tevris_def}"
    VERBATIM)
  add_custom_target(relaydriver_import DEPENDS ${tevris_import})
  add_dependencies(relaydriver relaydriver_import)
  target_link_libraries(relaydriver INTERFACE ${tevris_import})
endif()

# A stand-in TEVRIS.DLL: the simulated card behind the same four exports, so
# that the vendor build runs through its load-time import without a card. It
# goes in a folder of its own: beside relaytest.exe it would be loaded before
# the real driver.
add_library(tevris_standin SHARED sim/SimCard.cpp sim/SimSettings.cpp sim/SimState.cpp
                                  sim/SimStateFile_${RELAYTEST_PLATFORM}.cpp ${tevris_def})
target_include_directories(tevris_standin PRIVATE sim card)
target_link_libraries(tevris_standin PRIVATE relaytest_warnings)
set_target_properties(tevris_standin PROPERTIES
  OUTPUT_NAME TEVRIS
  PREFIX ""
  SUFFIX ".DLL"
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/standin$<0:>"
  ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/standin/import$<0:>")
if(MINGW AND relaytest_stdcall)
  # The __stdcall functions are exported undecorated, as a maker's DLL has them.
  target_link_options(tevris_standin PRIVATE -Wl,--kill-at)
endif()
