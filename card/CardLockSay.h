// What TakeCard says (the holder it waits for, a lock that cannot be used):
// one place for both platforms' lock, so that a caller that must not print
// (the relaymatrix library) can send it elsewhere and still read it.
#ifndef RELAYTEST_CARD_CARDLOCKSAY_H
#define RELAYTEST_CARD_CARDLOCKSAY_H

#include "TraceOutput.h"

// One line, with its line end, to where the lock's messages go; kept without
// its line end for LastCardLockMessage.
void SayAboutLock(const char* format, ...) RELAYTEST_TRACE_PRINTF(1, 2);

#endif
