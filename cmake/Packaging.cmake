# Installing and packaging (included at the end of the top-level CMakeLists.txt,
# once every target exists).
#
# cmake --install puts the programs in bin/ and the example wiring file in
# examples/ on every platform. A Windows build's CPack makes one ZIP named for
# its variant (win64, win32-cdecl, win32-stdcall): the programs in bin/, the
# example in examples/, the stand-in TEVRIS.DLL in standin/, and README.txt
# saying which ZIP fits which TEVRIS.DLL.

# relaytest_install_program(TARGET): TARGET goes in bin/ of every install and
# every ZIP (and the install test expects it there).
set(relaytest_installed "")
function(relaytest_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION bin)
  set(relaytest_installed ${relaytest_installed} "bin/$<TARGET_FILE_NAME:${target}>" PARENT_SCOPE)
endfunction()

relaytest_install_program(relaytest)
relaytest_install_program(relaylog)
relaytest_install_program(relaysweep)
relaytest_install_program(relayctl)
# The ledger's program, where the build has an SQLite for its target.
if(TARGET relayledger)
  relaytest_install_program(relayledger)
endif()

# The worked station's wiring file, for a station to start its own from
# (docs/wiring.md).
install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/bench-3.toml DESTINATION examples)
list(APPEND relaytest_installed examples/bench-3.toml)

# relaymatrix for test sequences: the library (lib/ on Linux; bin/ beside the
# programs on Windows, with its import library in lib/), its header, and the
# Python package in python/ carrying its own copy of the library, so that
# `pip install PREFIX/python` (or PYTHONPATH=PREFIX/python) finds it unaided.
install(TARGETS relaymatrix LIBRARY DESTINATION lib RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS relaymatrix LIBRARY DESTINATION python/relaymatrix RUNTIME DESTINATION python/relaymatrix
        ARCHIVE EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/matrix/relaymatrix.h DESTINATION include)
set(relaytest_python_package __init__.py _arguments.py _errors.py _library.py _lifetime.py _routes.py py.typed)
list(TRANSFORM relaytest_python_package PREPEND ${PROJECT_SOURCE_DIR}/python/relaymatrix/ OUTPUT_VARIABLE relaytest_python_files)
install(FILES ${relaytest_python_files} DESTINATION python/relaymatrix)
install(FILES ${PROJECT_SOURCE_DIR}/python/pyproject.toml ${PROJECT_SOURCE_DIR}/python/build_relaymatrix.py
              ${PROJECT_SOURCE_DIR}/python/README.md DESTINATION python)
list(TRANSFORM relaytest_python_package PREPEND python/relaymatrix/)
list(APPEND relaytest_installed include/relaymatrix.h python/pyproject.toml python/build_relaymatrix.py python/README.md
     ${relaytest_python_package} "python/relaymatrix/$<TARGET_FILE_NAME:relaymatrix>")
if(WIN32)
  list(APPEND relaytest_installed "bin/$<TARGET_FILE_NAME:relaymatrix>" "lib/$<TARGET_LINKER_FILE_NAME:relaymatrix>")
else()
  list(APPEND relaytest_installed "lib/$<TARGET_FILE_NAME:relaymatrix>")
endif()

if(TARGET tevris_standin)
  # Never beside the programs: there it would be loaded before the maker's DLL.
  install(FILES $<TARGET_FILE:tevris_standin> DESTINATION standin)
  list(APPEND relaytest_installed "standin/$<TARGET_FILE_NAME:tevris_standin>")
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(relaytest_variant win64)
  elseif(RELAYTEST_DRIVER_CALL)
    set(relaytest_variant win32-${RELAYTEST_DRIVER_CALL})
  else()
    set(relaytest_variant win32)
  endif()
  if(NOT RELAYTEST_DRIVER STREQUAL "vendor")
    string(APPEND relaytest_variant -sim)
  endif()
  set(relaytest_package relaytest-${PROJECT_VERSION}-${relaytest_variant})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/PackageReadme.txt.in ${CMAKE_BINARY_DIR}/package-readme/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/package-readme/README.txt DESTINATION .)
  list(APPEND relaytest_installed README.txt)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME relaytest)
  set(CPACK_PACKAGE_VENDOR relaytest)
  set(CPACK_PACKAGE_FILE_NAME ${relaytest_package})
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endif()

# What an install must hold, exactly: checked by installing into a folder of
# the build tree, and for Windows by making the ZIP and listing it.
if(BUILD_TESTING)
  string(JOIN "," expected_installed ${relaytest_installed})
  set(check_package ${CMAKE_COMMAND} -D BUILD=${CMAKE_BINARY_DIR} -D CONFIG=$<CONFIG>
                    -D EXPECTED=${expected_installed})
  add_test(NAME Package.Install
           COMMAND ${check_package} -D PREFIX=${CMAKE_BINARY_DIR}/install-check
                   -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackage.cmake)
  if(WIN32)
    set(unpacked ${CMAKE_BINARY_DIR}/package/unpacked/${relaytest_package})
    add_test(NAME Package.Zip
             COMMAND ${check_package} -D CPACK=${CMAKE_CPACK_COMMAND}
                     -D ZIP=${CMAKE_BINARY_DIR}/package/${relaytest_package}.zip -D TOP=${relaytest_package}
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackage.cmake)
    set_tests_properties(Package.Zip PROPERTIES FIXTURES_SETUP relaytest_zip)
  endif()
  # The unpacked ZIP run as an operator without a card would: from standin/.
  if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR AND TARGET tevris_standin)
    add_test(NAME Package.ZipRun
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/wine-run.sh transcript
                     ${PROJECT_SOURCE_DIR}/tests/golden/healthy.txt ""
                     ${unpacked}/bin/$<TARGET_FILE_NAME:relaytest> ${unpacked}/standin
                     ${CMAKE_CROSSCOMPILING_EMULATOR})
    set_tests_properties(Package.ZipRun PROPERTIES FIXTURES_REQUIRED relaytest_zip)
  endif()
endif()
