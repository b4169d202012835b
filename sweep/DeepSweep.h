// The deep passes of relaysweep --deep, after the plain sweep: the faults
// that closing one relay at a time cannot see. Each board is read back after
// every push, and read twice where a relay is to be verified, so that a
// read-back that follows late disagrees with itself.
//
//   signature   every board holds a pattern of its own at once (eight relays
//               spread over its four words, shifted by nine a board), every
//               board read back: a board that answers shifted, or answers
//               for another, shows another board's pattern or none
//   background  per board, a background of relays closed one at a time up to
//               one below the board limit, first upwards and then downwards,
//               and every other relay of the board closed alone on top of it:
//               a relay that opens another, and a board whose drivers sag
//               under load, show against the background; each relay's first
//               close also reads back every other board of the sweep (a push
//               that closes a relay elsewhere)
//   load        the board limit closed on every board at once, every board
//               read back three times
//
// The record names each pass ("Deep pass: ..."); a relay the wiring's rules
// refuse at that moment (the background counts as closed) is never pushed
// and is named once a pass ("Deep skip: relay N: REASON").
#ifndef RELAYTEST_SWEEP_DEEPSWEEP_H
#define RELAYTEST_SWEEP_DEEPSWEEP_H

#include "Sweep.h"

// limit: the most relays a board may hold closed (the wiring's, when lower).
// Ends, unless stopped, with every relay of the boards open and read back.
SweepEnd RunDeepPasses(BoardSet boards, const SweepWiring& rules, int limit);

#endif
