// The library's work on the card, through relayctl's own switching
// (BoardSwitch.h): a request read whole, checked whole against the boards read
// back, the station's rules and the per-board limit, then switched, read back
// and checked. Every record line is relayctl's; what became of the request is
// the status and its text (the first thing said, in the library's words).
#ifndef RELAYTEST_MATRIX_MATRIXSWITCH_H
#define RELAYTEST_MATRIX_MATRIXSWITCH_H

#include <string>

#include "RelayList.h"
#include "Wiring.h"

// Reads a list of relays as relayctl does ("I+@J4.1,V-@J4.2",
// "0:4:12,100-107"), names only when wired; "all" (open only) names every
// relay. False, with the mistake in error.
bool ReadRelays(const Wiring& wiring, bool wired, const char* text, bool allowAll, RelaySet& relays, std::string& error);

// Whether a close names no more relays of one board than the limit allows,
// before the card is touched (relayctl's WithinLimit); true for an open.
bool RequestWithinLimit(const RelaySet& relays, bool on, std::string& error);

// Closes (on) or opens the relays: a relaymatrix status, with its text in error.
int SwitchRelays(const RelaySet& relays, bool on, std::string& error);

// Reads back the boards of the set; closed gets the relays they hold.
int ReadClosed(BoardSet boards, RelaySet& closed, std::string& error);

#endif
