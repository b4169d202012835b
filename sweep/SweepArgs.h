// relaysweep's command line: which boards to sweep, and whether the operator
// has already confirmed it. Read before anything touches the card.
#ifndef RELAYTEST_SWEEP_SWEEPARGS_H
#define RELAYTEST_SWEEP_SWEEPARGS_H

#include <cstddef>

#include "BoardSet.h"

struct SweepOptions {
    BoardSet boards = AllBoards;
    bool confirmed = false;  // --yes
    bool help = false;       // --help
};

// Reads argv[1..argc-1]. False, with one line of explanation (no line end) in
// error, for an unknown option, a missing or malformed list, or a board
// outside 0..7.
bool ParseSweepArgs(int argc, const char* const* argv, SweepOptions& options, char* error, std::size_t errorSize);

// Reads a list of board numbers and ranges within 0..7 ("0-7", "0,2-3") into
// boards. False, with the reason in error, when it is not one.
bool ParseBoardList(const char* text, BoardSet& boards, char* error, std::size_t errorSize);

#endif
