// The system's code on the simulated card, in-process: its start state, and
// whole passes of the program.
#ifndef RELAYTEST_TESTS_SUPPORT_SIMRESET_H
#define RELAYTEST_TESTS_SUPPORT_SIMRESET_H

#include <cstdint>
#include <string>
#include <vector>

#include "SimControl.h"
#include "Transcript.h"  // BusyTrace

// The simulated card in its power-on state, recording its calls, and the
// relay tables cleared to their start state.
void ResetSimCard();

// One whole pass of the program, its output captured (valid until the next
// capture); the exit status in exitCode when given.
const std::string& RunInProcess(int* exitCode = nullptr);

// Makes successive polls of the control register (BAR offset 0x100) return
// these values, then idle (0); other reads are left to the model.
void ScriptControlReads(std::vector<std::uint32_t> values);

#endif
