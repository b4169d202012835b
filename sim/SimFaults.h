// The simulated card's faults that show only with more than one relay closed,
// or only on a second read: a relay that opens another of its board, a board
// whose drivers sag under load, a relay that also closes one on another
// board, a relay whose read-back follows late, a board that answers shifted.
//
// SimCard.cpp makes a board's answer in steps: its latch (what was last
// pushed) with its coupled relays, then HeldRelays(), then the stuck relays,
// then Answer(). Every program on the card, and every program sharing a
// state file, sees these the same way: they are made from the latches alone,
// except the count of reads of a late relay, which each program keeps for
// its own reads (see LateRelay).
#ifndef RELAYTEST_SIM_SIMFAULTS_H
#define RELAYTEST_SIM_SIMFAULTS_H

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "SimState.h"

// A relay whose contact follows its coil late. It shows a change of what it
// would read back only from the `reads`th read of its board that finds the
// change (1: the first read, as a healthy relay); reads before that show the
// old state. The count is this program's own: a push from another program
// sharing the state file is found by this program's next read of the board,
// which is its first read after that push. The relay is taken as settled at
// the program's first driver call, whatever its latch then holds.
struct LateRelay {
    std::int32_t relay = 0;
    std::uint32_t reads = 1;
    std::uint32_t since = 0;  // reads of its board since it last changed
    bool settled = false;     // target and shown are known
    bool target = false;      // what it reads back once settled
    bool shown = false;       // what it reads back now
};

struct SimFaults {
    // By board and relay: the relays of that board it opens when pushed closed.
    std::array<std::array<BoardWords, 128>, 8> clears{};
    // Relay first pushed closed also closes relay second, of another board.
    std::vector<std::pair<std::int32_t, std::int32_t>> ghosts;
    // By board: more relays than this pushed closed and every relay reads
    // back open; -1 for a board that never sags.
    std::array<int, 8> sagAbove{-1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<LateRelay> late;
    std::uint32_t shifted = 0;  // bit b: board b answers shifted by one relay
};

// The relays of a board as they hold, from words (its latch with its coupled
// relays): relays opened by another of its relays pushed closed, relays
// closed by a relay pushed closed on another board (latches, every board's
// latch), every relay open while the board sags.
BoardWords HeldRelays(const SimFaults& faults, const CardWords& latches, int board, BoardWords words);

// What the board answers to a read, from what its relays read back on time:
// its late relays as they show now (this read counted), then shifted by one
// relay if the board answers shifted.
BoardWords Answer(SimFaults& faults, int board, BoardWords words);

// Each late relay of the board not yet settled reads back, on time, as in
// words, and has settled there.
void SettleLate(SimFaults& faults, int board, const BoardWords& words);

bool HasUnsettledLate(const SimFaults& faults);

#endif
