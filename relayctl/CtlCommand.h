// relayctl's commands, as typed on its command line or on a line of a
// session: read whole, before anything touches the card.
//
//   close RELAY...        open RELAY...|all        show [BOARD...]
//
// RELAY is a number 0-1023, a range such as 100-107, or a crosspoint
// board:row:column (0:4:12 is relay 100); BOARD a number 0-7 or a range.
#ifndef RELAYTEST_RELAYCTL_CTLCOMMAND_H
#define RELAYTEST_RELAYCTL_CTLCOMMAND_H

#include <bitset>
#include <cstddef>

#include "BoardSet.h"

using RelaySet = std::bitset<BoardCount * RelaysPerBoard>;

enum class CtlAction { Close, Open, Show };

struct CtlCommand {
    CtlAction action = CtlAction::Show;
    RelaySet relays;           // close, open: the relays named
    BoardSet boards = 0;       // show: the boards named (all when none is)
};

// Reads one command from its words. False, with one line of explanation (no
// line end) in error, for an unknown command, a missing or malformed relay or
// board, or "close all".
bool ParseCommand(int count, const char* const* words, CtlCommand& command, char* error, std::size_t errorSize);

// The boards that hold the command's relays.
BoardSet BoardsOf(const RelaySet& relays);

#endif
