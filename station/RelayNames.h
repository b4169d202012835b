// Relays as an operator, a script or a command line names them: the one
// grammar of every tool. Items separated by blanks or commas, each
//
//   a number 0-1023               5
//   a range                       100-107
//   a crosspoint board:row:column 0:4:12 (relay 100)
//   a crosspoint by the station's names, with a wiring in use: ROW@COLUMN (I+@J4.1)
//   all                           every relay, where the caller allows it
//
// A single name is read by the wiring's ReadCrosspoint, the one reader of a
// relay's name; this adds lists, ranges and "all". A text holding a control
// byte is refused whole: it is not what anyone meant to type, and it is
// echoed escaped, so that it can neither move a cursor nor forge a line.
#ifndef RELAYTEST_STATION_RELAYNAMES_H
#define RELAYTEST_STATION_RELAYNAMES_H

#include <string>
#include <string_view>

#include "RelayList.h"
#include "Wiring.h"

struct RelayNaming {
    const Wiring& wiring;  // the station's names (EmptyWiring() when none)
    bool wired;            // whether a wiring file is in use: ROW@COLUMN needs one
    bool allowAll;         // "all" names every relay
};

// Reads text, adding its relays to relays. False, with the mistake in error
// (no line end), when it is not such a list; relays is then unchanged.
bool ReadRelayNames(const RelayNaming& naming, std::string_view text, RelaySet& relays, std::string& error);

// The same for a list of one relay: its number.
bool ReadOneRelay(const RelayNaming& naming, std::string_view text, int& relay, std::string& error);

#endif
