# Header-only libraries from Debian's packages (CLI11, toml++), for the native
# and the mingw-w64 builds alike. A cross compiler must not search the build
# machine's /usr/include, so each library's folder is linked into one folder
# of the build tree, which targets then include as a system folder (so that
# warnings inside those headers never count as ours).
set(relaytest_header_only_dir ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${relaytest_header_only_dir})

# relaytest_header_only(TARGET FOLDER PACKAGE): the INTERFACE target TARGET for
# the headers in /usr/include/FOLDER, which Debian's package PACKAGE installs.
function(relaytest_header_only target folder package)
  find_path(${target}_root NAMES ${folder} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT ${target}_root)
    message(FATAL_ERROR "${folder} headers not found: install Debian's ${package}")
  endif()
  file(CREATE_LINK ${${target}_root}/${folder} ${relaytest_header_only_dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${relaytest_header_only_dir})
endfunction()
