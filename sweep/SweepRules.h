// The station's wiring as the sweep keeps it: it never closes a relay that
// relayctl's rules would refuse at that moment. Within the sweep only the
// relay under test is closed; outside it, the boards the wiring lists hold
// what they read back before the sweep starts.
#ifndef RELAYTEST_SWEEP_SWEEPRULES_H
#define RELAYTEST_SWEEP_SWEEPRULES_H

#include <string>
#include <vector>

#include "BoardSet.h"
#include "RelayList.h"
#include "Wiring.h"

// Why each relay (by number) is not swept; "" for a relay that is.
using SweepSkips = std::vector<std::string>;

// Every board the wiring lists outside the sweep set, read back in the
// record (plain read-backs, nothing pushed); what they hold in held. False
// once a stop is seen, with board the board it was to read.
bool ReadOutsideBoards(const Wiring& wiring, BoardSet boards, RelaySet& held, int& board);

// The relays of the boards that the rules refuse to close alone while the
// other boards hold held, each with CheckClose's refusal (or, when held
// already breaks a rule, "the boards already break a rule: ...").
SweepSkips SkipsFor(const Wiring& wiring, BoardSet boards, const RelaySet& held);

// How many relays the skips leave out.
int SkippedCount(const SweepSkips& skips);

#endif
