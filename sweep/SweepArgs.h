// relaysweep's command line: which boards to sweep, and whether the operator
// has already confirmed it. Read before anything touches the card.
#ifndef RELAYTEST_SWEEP_SWEEPARGS_H
#define RELAYTEST_SWEEP_SWEEPARGS_H

#include <cstddef>
#include <cstdint>

// Bit b set: board b (0..7) is swept.
using BoardSet = std::uint8_t;

inline constexpr BoardSet AllBoards = 0xFF;

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

// The boards as the sweep's first line names them: ascending, each run of
// consecutive boards as a range ("0-7", "0,2-3", "5").
void SpellBoardList(BoardSet boards, char* text, std::size_t size);

// How many boards the set holds.
int BoardsIn(BoardSet boards);

#endif
