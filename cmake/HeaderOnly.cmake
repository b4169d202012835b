# Header-only libraries from Debian's packages: CLI11 (libcli11-dev, the
# command lines) and toml++ (libtomlplusplus-dev, the station's wiring file),
# for the native and the mingw-w64 builds alike. A cross build must not search
# /usr/include (the host's C library is there), so each library's folder is
# reached through a folder of the build tree that holds nothing but links to
# them, added as a SYSTEM include: -Werror never fires inside those headers.
set(relaytest_header_only_dir ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${relaytest_header_only_dir})

# relaytest_header_only(TARGET FOLDER HEADER PACKAGE): the INTERFACE target
# TARGET for FOLDER/HEADER, found in /usr/include (or /usr/local/include), which
# Debian's package PACKAGE installs.
function(relaytest_header_only target folder header package)
  find_path(${target}_root ${folder}/${header} PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${target}_root)
    message(FATAL_ERROR "${folder}/${header} not found: install Debian's ${package}")
  endif()
  file(CREATE_LINK ${${target}_root}/${folder} ${relaytest_header_only_dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${relaytest_header_only_dir})
  message(STATUS "${folder}: ${${target}_root}/${folder}")
endfunction()

relaytest_header_only(relaytest_cli11 CLI CLI.hpp libcli11-dev)
relaytest_header_only(relaytest_tomlplusplus toml++ toml.h libtomlplusplus-dev)
