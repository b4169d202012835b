// relayctl's commands, as typed on its command line or on a line of a
// session: read whole, before anything touches the card.
//
//   close RELAYS...        open RELAYS...|all        show [BOARDS...|all]
//   connect A B|ROUTE      disconnect A B|ROUTE      route A B|ROUTE
//   routes                 switch GROUP|ROUTE...
//
// RELAYS is a list (RelayList.h): numbers 0-1023, ranges such as 100-107 and
// crosspoints board:row:column (0:4:12 is relay 100), separated by commas, and
// with a wiring file in use crosspoints by the station's names, ROW@COLUMN
// (RelayNames.h); BOARDS a list of boards 0-7 and ranges. A and B are nets of
// the wiring (DMM_HI, P3), ROUTE and GROUP names its routes and groups
// (Routes.h): the route commands need a wiring file.
#ifndef RELAYTEST_RELAYCTL_CTLCOMMAND_H
#define RELAYTEST_RELAYCTL_CTLCOMMAND_H

#include <string>
#include <utility>
#include <vector>

#include "StationSwitch.h"

enum class CtlAction { Close, Open, Show, Connect, Disconnect, Route, Routes, Switch };

struct CtlCommand {
    CtlAction action = CtlAction::Show;
    RelaySet relays;           // close, open: the relays named
    BoardSet boards = 0;       // show: the boards named (all when none is)
    std::vector<std::pair<int, int>> ends;  // the route commands: the ends of each route named
};

// Reads one command from its words, names by the station's wiring
// (StationWiring.h). False, with one line of explanation (no
// line end) in error, for an unknown command, a malformed list, or "close all".
bool ParseCommand(int count, const char* const* words, CtlCommand& command, std::string& error);

// A close that names more relays of one board than the limit (maxClosed, or
// the station wiring's max-closed-per-board when lower): the limit's words in
// error (false). True for anything else.
bool WithinLimit(const CtlCommand& command, int maxClosed, std::string& error);

#endif
