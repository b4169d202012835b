// The station's rules as relayctl keeps them, apart from any printing: a
// caller gives the wiring, what the boards read back and what is asked, and
// gets the refusal text back. relayctl's own run prints it (Control.cpp); a
// library over the same core may show it its own way.
#ifndef RELAYTEST_RELAYCTL_CTLRULES_H
#define RELAYTEST_RELAYCTL_CTLRULES_H

#include <string>

#include "RelayList.h"
#include "Wiring.h"

// Reads one word of relays, added to relays: a list as RelayList.h reads it,
// whose items may also be crosspoints by the station's names, ROW@COLUMN
// (I+@J5.5), resolved by the wiring. False, with the mistake in error.
bool ReadRelayWord(const Wiring& wiring, bool wiringInUse, const char* word, RelaySet& relays, std::string& error);

// "322 (3:2:4)", or "322 (3:2:4, I+@J5.5)" where the wiring names it.
std::string RelayLabel(const Wiring& wiring, int relay);

// The boards the rules against a close depend on: the request's own and
// every board the wiring lists (they share its nets).
BoardSet RuleBoards(const Wiring& wiring, const RelaySet& request);

enum class CloseRule {
    Allowed,
    Refused,      // refusal: the rule the close would break, with its line
    StateBroken,  // what the boards hold already breaks a rule (breach): only opening is allowed
};

// A close of request while the boards hold held: whether the wiring allows
// it. maxClosed is the program's own limit; the file's, when lower, wins.
CloseRule CheckCloseRules(const Wiring& wiring, const RelaySet& held, const RelaySet& request, int maxClosed,
                          std::string& refusal, std::string& breach);

// The refusal of a close while the boards already break a rule.
inline constexpr const char* StateBrokenRefusal = "the boards already break a rule";

#endif
