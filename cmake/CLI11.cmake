# CLI11, header-only, for the programs' command lines: the interface target
# relaytest_cli11. Debian's libcli11-dev puts it in /usr/include/CLI. A cross
# build must not search /usr/include (the host's C library is there), so the
# headers are reached through a folder of the build tree that holds nothing
# but a link CLI -> the found CLI/ folder, added as a SYSTEM include: -Werror
# never fires inside CLI11.
set(RELAYTEST_CLI11_INCLUDE_DIR "" CACHE PATH "The folder that holds CLI11's CLI/CLI.hpp (found when empty)")
if(NOT RELAYTEST_CLI11_INCLUDE_DIR)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(CLI11 CONFIG QUIET)
  endif()
  if(TARGET CLI11::CLI11)
    get_target_property(cli11_includes CLI11::CLI11 INTERFACE_INCLUDE_DIRECTORIES)
    list(GET cli11_includes 0 RELAYTEST_CLI11_INCLUDE_DIR)
  else()
    find_path(cli11_found CLI/CLI.hpp PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
    if(NOT cli11_found)
      message(FATAL_ERROR "CLI11 not found: install libcli11-dev, or set RELAYTEST_CLI11_INCLUDE_DIR")
    endif()
    set(RELAYTEST_CLI11_INCLUDE_DIR "${cli11_found}")
  endif()
endif()
set(cli11_link_dir ${CMAKE_BINARY_DIR}/cli11-include)
file(MAKE_DIRECTORY ${cli11_link_dir})
file(CREATE_LINK ${RELAYTEST_CLI11_INCLUDE_DIR}/CLI ${cli11_link_dir}/CLI SYMBOLIC)
add_library(relaytest_cli11 INTERFACE)
target_include_directories(relaytest_cli11 SYSTEM INTERFACE ${cli11_link_dir})
message(STATUS "CLI11: ${RELAYTEST_CLI11_INCLUDE_DIR}/CLI")
