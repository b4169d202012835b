# cmake -D BUILD=DIR -D CONFIG=C -D EXPECTED=a,b,... (-D PREFIX=DIR | -D CPACK=CPACK -D ZIP=FILE -D TOP=NAME)
#     -P CheckPackage.cmake
# With PREFIX: installs the build in DIR into PREFIX (emptied first), and
# checks that it holds exactly the EXPECTED files. With ZIP: makes the build's
# ZIP with CPack, unpacks it beside itself (into unpacked/), and checks that
# it holds exactly the EXPECTED files in the folder TOP.
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)

if(DEFINED PREFIX)
  file(REMOVE_RECURSE "${PREFIX}")
  set(config_option)
  if(CONFIG)
    set(config_option --config ${CONFIG})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} ${config_option} --prefix ${PREFIX}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  set(root ${PREFIX})
  set(what "cmake --install")
else()
  get_filename_component(package_dir ${ZIP} DIRECTORY)
  file(REMOVE "${ZIP}")
  file(REMOVE_RECURSE "${package_dir}/unpacked")
  execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake -C ${CONFIG}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    file(MAKE_DIRECTORY ${package_dir}/unpacked)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${package_dir}/unpacked
                    RESULT_VARIABLE failed)
  endif()
  set(root ${package_dir}/unpacked/${TOP})
  get_filename_component(what ${ZIP} NAME)
endif()
if(failed)
  message(FATAL_ERROR "${what} failed: ${failed}")
endif()

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  list(JOIN found "\n  " found_lines)
  list(JOIN expected "\n  " expected_lines)
  message(FATAL_ERROR "${what} holds\n  ${found_lines}\nnot exactly\n  ${expected_lines}")
endif()
list(JOIN found ", " found_line)
message(STATUS "${what} holds exactly ${found_line}")
