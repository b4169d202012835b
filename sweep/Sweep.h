// The full-matrix self-test: every relay of the chosen boards closed alone,
// its board read back, and opened again.
#ifndef RELAYTEST_SWEEP_SWEEP_H
#define RELAYTEST_SWEEP_SWEEP_H

#include "SweepArgs.h"

// Opens every relay of the boards, then walks a single closed relay through
// each board in turn, reading the board back after every switch; once per
// board the other boards of the set are read back too, while one relay is
// closed, to catch pushes that land on the wrong board. Every line is printed
// by SetRelay and ReadBoard. Ends with every relay of the boards open.
void RunSweep(BoardSet boards);

#endif
