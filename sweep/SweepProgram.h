// relaysweep as the frame runs it (Frame.h): its command line, the
// operator's confirmation, its heading and its body, the sweep.
//
//   relaysweep [--boards LIST] [--yes] [--wiring FILE] [--wait SECONDS]
#ifndef RELAYTEST_SWEEP_SWEEPPROGRAM_H
#define RELAYTEST_SWEEP_SWEEPPROGRAM_H

#include "BoardSet.h"
#include "Frame.h"

extern const ProgramEntry RelaysweepProgram;

// What the command line asked for, once the frame has read it.
struct SweepOptions {
    BoardSet boards = AllBoards;
    bool confirmed = false;  // --yes
    bool deep = false;       // --deep
};
const SweepOptions& SweepOptionsRead();

#endif
