// The full-matrix self-test: every relay of the chosen boards closed alone,
// its board read back, and opened again.
#ifndef RELAYTEST_SWEEP_SWEEP_H
#define RELAYTEST_SWEEP_SWEEP_H

#include "BoardSet.h"
#include "SweepRules.h"

// How a sweep ended: run to its end, or stopped (StopCause.h).
struct SweepEnd {
    bool stopped = false;
    int relay = -1;       // the relay under test when it stopped (-1: none)
    int board = -1;       // its board, or the board being opened or read back
    bool confirming = false; // every relay switched: the boards were being read back open
    BoardSet pushed = 0;  // the boards pushed before the stop
    BoardSet notOpen = 0; // of those, the boards whose last read-back was not all open
    int swept = 0;        // relays closed and read back
    int skipped = 0;      // relays the wiring's rules left open
};

// The station's wiring as a sweep keeps it (SweepRules.h): the wiring, and
// what the boards it lists outside the sweep read back before it started.
struct SweepWiring {
    const Wiring* wiring = nullptr;
    RelaySet outside;
};

// Opens every relay of the boards, then walks a single closed relay through
// each board in turn, reading the board back after every switch; once per
// board the other boards of the set are read back too, while one relay is
// closed, to catch pushes that land on the wrong board. Every line is printed
// by SetRelay and ReadBoard. Ends with every relay of the boards open, and
// each board read back once more to confirm it.
//
// MustStop (StopCause.h) is looked at before every switch and every
// read-back: once it is true no further step starts, and every board pushed
// so far is pushed all open and read back.
SweepEnd RunSweep(BoardSet boards);

// The same under the station's wiring: before each close the rules are
// checked against what the boards outside the sweep held and what the
// sweep's own boards read back last (each is read back once it is pushed
// open at the start, and after each relay is opened again, so that a relay
// stuck closed counts); a relay they refuse is never pushed, and where it
// would have been switched the record says "Relay 316 skipped: REASON". A
// board whose relay 0 is skipped uses its first relay swept as its address
// probe.
SweepEnd RunSweep(BoardSet boards, const SweepWiring& rules);

#endif
