// The station's wiring as the sweep keeps it: it never closes a relay that
// the station's rules (StationSwitch.h) would refuse at that moment, given
// what the boards the wiring lists outside the sweep read back before it
// starts and what the sweep's own boards read back last: a relay stuck
// closed on a board under test counts as closed.
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

// Why the rules refuse to close relay alone while the boards hold held: the
// refusal (or, when held already breaks a rule, "the boards already break a
// rule: ..."); "" when they allow it.
std::string SkipReason(const Wiring& wiring, const RelaySet& held, int relay);

// The relays of the boards that the rules refuse to close alone while the
// other boards hold held, each with its SkipReason: what the operator is told
// before the sweep starts.
SweepSkips SkipsFor(const Wiring& wiring, BoardSet boards, const RelaySet& held);

// How many relays the skips leave out.
int SkippedCount(const SweepSkips& skips);

#endif
