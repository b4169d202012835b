// The library's work on the card, through the station's one switch
// (StationSwitch.h): a request read whole, checked whole against the boards
// read back, the station's rules and the per-board limit, then switched, read
// back and checked. Every record line is the switch's; what became of the
// request is the status and its text (the first thing said, in the library's
// words).
#ifndef RELAYTEST_MATRIX_MATRIXSWITCH_H
#define RELAYTEST_MATRIX_MATRIXSWITCH_H

#include <string>

#include "RelayList.h"
#include "StationSwitch.h"
#include "Wiring.h"

// Reads a list of relays (RelayNames.h) by the session's names; "all" (open
// only) names every relay. False, with the mistake in error.
bool ReadRelays(const char* text, bool allowAll, RelaySet& relays, std::string& error);

// Puts the text passed in front of a mistake that does not quote it; false.
bool NameInError(const char* text, std::string& error);

// Closes (on) or opens the relays: a relaymatrix status, with its text in error.
int SwitchRelays(const RelaySet& relays, bool on, std::string& error);

// The session's place for a switch: its wiring and limit, the first thing
// said kept in error, every board pushed noted for a stop.
SwitchPlace SessionPlace(std::string& error);

// Reads back the boards of the set; closed gets the relays they hold.
int ReadClosed(BoardSet boards, RelaySet& closed, std::string& error);

#endif
