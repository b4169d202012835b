# Tests of the vendor build's load-time import of TEVRIS.DLL, included by
# tests/CMakeLists.txt in a Windows build: the names in the built images, then
# whole runs of relaytest.exe under wine through the stand-in DLL, compared
# byte for byte with the golden transcripts as Windows writes them.
if(RELAYTEST_DRIVER STREQUAL "vendor")
  set(golden_dir ${PROJECT_SOURCE_DIR}/tests/golden)
  set(wine_run ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

  # A maker's DLL exports the four functions undecorated, whatever their
  # calling convention: the stand-in must too, and relaytest.exe must ask for
  # exactly those names from TEVRIS.DLL, or it would only ever run with the
  # stand-in.
  if(CMAKE_OBJDUMP)
    set(pe_names ${CMAKE_CURRENT_LIST_DIR}/pe-names.sh)
    add_test(NAME PeNames.StandinExports
             COMMAND bash ${pe_names} exports ${CMAKE_OBJDUMP} $<TARGET_FILE:tevris_standin>)
    add_test(NAME PeNames.RelaytestImports
             COMMAND bash ${pe_names} imports ${CMAKE_OBJDUMP} $<TARGET_FILE:relaytest>)
  endif()
endif()

if(RELAYTEST_DRIVER STREQUAL "vendor" AND CMAKE_CROSSCOMPILING_EMULATOR)
  # relaytest.exe against the stand-in TEVRIS.DLL, with the simulated card set
  # up as for each golden transcript.
  function(add_wine_transcript golden relaysim)
    add_test(NAME WineRun.${golden}
             COMMAND bash ${wine_run} transcript ${golden_dir}/${golden}.txt "${relaysim}"
                     $<TARGET_FILE:relaytest> $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
  endfunction()
  # Each golden transcript of tests/golden/goldens.txt, on its card.
  set(goldens_list ${golden_dir}/goldens.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${goldens_list})
  file(STRINGS ${goldens_list} goldens REGEX "^[^#]")
  foreach(line IN LISTS goldens)
    string(REGEX MATCH "^([^ ]+)\\.txt *(.*)$" matched "${line}")
    add_wine_transcript(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endforeach()

  # Without any TEVRIS.DLL the loader refuses to start the program: proof that
  # the driver is imported at load time, not linked in.
  add_test(NAME WineRun.MissingDriver
           COMMAND bash ${wine_run} missing-driver $<TARGET_FILE:relaytest> ${CMAKE_CURRENT_BINARY_DIR}
                   ${CMAKE_CROSSCOMPILING_EMULATOR})

  # Beside a TEVRIS.DLL of the other bitness (another build's stand-in) the
  # loader refuses the program too, before it prints anything.
  set(RELAYTEST_WINE_FOREIGN_STANDIN "" CACHE PATH
      "Folder with a TEVRIS.DLL of the other bitness, for the test that the loader refuses it")
  if(RELAYTEST_WINE_FOREIGN_STANDIN)
    add_test(NAME WineRun.WrongBitness
             COMMAND bash ${wine_run} wrong-bitness $<TARGET_FILE:relaytest> ${RELAYTEST_WINE_FOREIGN_STANDIN}
                     ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()

  # An access violation inside the stand-in TEVRIS.DLL: the record keeps every
  # finished line. Wine's crash debugger cannot follow a program that runs
  # under qemu-user (32-bit wine on a kernel without 32-bit support): it
  # never ends, so there the run with the debugger is left out.
  option(RELAYTEST_WINE_UNDER_QEMU "The Windows programs run under qemu-user's emulation" OFF)
  if(RELAYTEST_WINE_UNDER_QEMU)
    set(wine_debugger without-debugger)
  else()
    set(wine_debugger with-debugger)
  endif()
  add_test(NAME WineRun.CrashInDriver
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-crash.sh ${wine_debugger} ${golden_dir}/healthy.txt
                   $<TARGET_FILE:relaytest> $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})

  # Ctrl+C reaches the console control handler of relaysweep.exe and
  # relayctl.exe: wine turns a
  # SIGINT sent to the Windows process into one. Under qemu-user the emulated
  # process dies of the signal before the handler can run, so there the test
  # is left to the 64-bit build.
  if(NOT RELAYTEST_WINE_UNDER_QEMU)
    foreach(program relaysweep relayctl)
      add_test(NAME WineRun.CtrlC.${program}
               COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-stop.sh $<TARGET_FILE:${program}>
                       $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
    endforeach()
  endif()

  # relaysweep.exe through the stand-in, its record judged by relaylog built
  # for the build machine (scripts/test-windows.sh builds it and names it).
  set(RELAYTEST_HOST_RELAYLOG "" CACHE FILEPATH "relaylog built for the build machine, to judge wine runs' records")
  if(RELAYTEST_HOST_RELAYLOG)
    add_test(NAME WineRun.Sweep
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-sweep.sh ${RELAYTEST_HOST_RELAYLOG} $<TARGET_FILE:relaysweep>
                     $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
    # relayctl.exe's session through a pipe, and its state kept by the stand-in.
    add_test(NAME WineRun.Control
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-ctl.sh ${RELAYTEST_HOST_RELAYLOG} $<TARGET_FILE:relayctl>
                     $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()

  # The relay ledger named with a drive letter, backslashes and a folder
  # beyond ASCII: two writer programs at once and relayctl.exe count into
  # it, and relayledger.exe reads it back.
  if(TARGET relayledger_writer)
    add_test(NAME WineRun.Ledger
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-ledger.sh $<TARGET_FILE:relayledger_writer>
                     $<TARGET_FILE:relayctl> $<TARGET_FILE:relayledger> $<TARGET_FILE_DIR:tevris_standin>
                     ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()

  # relaymatrix.dll answers its C example through the stand-in, and its
  # record passes relaylog when one built for this machine is at hand.
  add_test(NAME WineRun.MatrixExample
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-matrix.sh "${RELAYTEST_HOST_RELAYLOG}"
                   $<TARGET_FILE:relaymatrix_example> $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})

  # Two runs at once on one card: the second names the first on standard
  # error and waits for it. The program and its arguments are the script's
  # parameters.
  add_test(NAME WineRun.CardLock.relaytest
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-lock.sh $<TARGET_FILE:relaytest> ""
                   $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
  # relayctl.exe holds the card to its last line.
  add_test(NAME WineRun.CardLock.relayctl
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-lock.sh $<TARGET_FILE:relayctl> "close 5"
                   $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()

# A wine run that hangs fails in minutes rather than after CTest's default
# 25: the slowest, a 32-bit crash run under qemu-user, takes under a minute.
get_property(wine_tests DIRECTORY PROPERTY TESTS)
if(wine_tests)
  set_tests_properties(${wine_tests} PROPERTIES TIMEOUT 300)
  # Each run a card lock of its own, so that runs at once do not wait for
  # each other (nor for a program on the machine's card).
  foreach(test IN LISTS wine_tests)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "RELAYTEST_LOCK=Local\\relaytest-test-${test}")
  endforeach()
endif()
