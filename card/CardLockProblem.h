// Why the card lock cannot be used, kept for whoever took it to word: one
// place for both platforms' lock. The lock never prints: relaytest, the
// programs' frame and the library each say it their own way.
#ifndef RELAYTEST_CARD_CARDLOCKPROBLEM_H
#define RELAYTEST_CARD_CARDLOCKPROBLEM_H

#include "TraceOutput.h"

// Keeps the problem, one line without a line end, for CardLockProblem.
void NoteLockProblem(const char* format, ...) RELAYTEST_TRACE_PRINTF(1, 2);

#endif
