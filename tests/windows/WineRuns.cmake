# The whole Windows program under wine, included by tests/CMakeLists.txt in a
# cross build: relaytest.exe against the stand-in TEVRIS.DLL, with the
# simulated card set up as for each golden transcript, compared byte for byte
# with the transcript as Windows writes it.
if(CMAKE_CROSSCOMPILING_EMULATOR AND RELAYTEST_DRIVER STREQUAL "vendor")
  set(wine_run ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
  set(golden_dir ${PROJECT_SOURCE_DIR}/tests/golden)
  function(add_wine_transcript golden relaysim)
    add_test(NAME WineRun.${golden}
             COMMAND bash ${wine_run} transcript ${golden_dir}/${golden}.txt "${relaysim}"
                     $<TARGET_FILE:relaytest> $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
  endfunction()
  add_wine_transcript(healthy "")
  add_wine_transcript(nocard "cards=0")
  add_wine_transcript(deaf "deaf")
  add_wine_transcript(busy-twice "busy=2")

  # Without any TEVRIS.DLL the loader refuses to start the program: proof that
  # the driver is imported at load time, not linked in.
  add_test(NAME WineRun.MissingDriver
           COMMAND bash ${wine_run} missing-driver $<TARGET_FILE:relaytest> ${CMAKE_CURRENT_BINARY_DIR}
                   ${CMAKE_CROSSCOMPILING_EMULATOR})

  # relaysweep.exe through the stand-in, its record judged by relaylog built
  # for the build machine (scripts/test-windows.sh builds it and names it).
  set(RELAYTEST_HOST_RELAYLOG "" CACHE FILEPATH "relaylog built for the build machine, to judge wine runs' records")
  if(RELAYTEST_HOST_RELAYLOG)
    add_test(NAME WineRun.Sweep
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-sweep.sh ${RELAYTEST_HOST_RELAYLOG} $<TARGET_FILE:relaysweep>
                     $<TARGET_FILE_DIR:tevris_standin> ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()
endif()
