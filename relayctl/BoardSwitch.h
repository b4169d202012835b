// The switching of relays on the card, shared by relayctl and the relaymatrix
// library. Every board a switch touches is read back, switched, and read back
// again, and each relay is checked against what was asked. The record lines
// are written here; what became of the switch is told to the caller's
// SwitchSay, one note at a time, for it to phrase (relayctl on standard
// error, the library as its error text).
#ifndef RELAYTEST_RELAYCTL_BOARDSWITCH_H
#define RELAYTEST_RELAYCTL_BOARDSWITCH_H

#include <string>

#include "RelayList.h"
#include "Wiring.h"

enum class SwitchSaid {
    AllOnes,        // line: "board 3 reads back all ones (not fitted or not answering): nothing switched"
    OverLimit,      // line: "board 3 refused: closing 2 relays would leave 9 closed, above the limit of 8"
    RulesBroken,    // line: the rule the boards already break
    RulesRefused,   // line: the wiring's refusal; count: 1 after RulesBroken, else 0
    NotAsExpected,  // line: "I+ did not close: it reads back open"; count: its place among the board's
    BoardFaults,    // after a board's check: count, how many of its relays were not as expected
};

struct SwitchNote {
    SwitchSaid said;
    BoardIndex board;
    std::string line;
    int count;
};

// Where the switch is made: the wiring (empty when none), the most relays a
// board may hold closed, what to say, and what to note of each board pushed.
struct SwitchPlace {
    const Wiring& wiring;
    bool wired;
    int maxClosed;
    void (*say)(const SwitchNote& note);
    void (*pushed)(BoardIndex board);
};

enum class SwitchEnd {
    Switched,  // every board not refused switched and checked
    AllOnes,   // a close with a board that reads back all ones: nothing switched
    Refused,   // a close above the limit or refused by the wiring's rules: nothing switched
    Stopped,   // MustStop (StopCause.h) was seen: the rest is undone
};

// Closes (on) or opens the relays. A board that reads back all ones (not
// fitted, not answering, or every relay closed) is never pushed: pushing its
// image back would close every relay of it. For close, such a board leaves the
// whole switch undone, so that no circuit is made half-way; for open, the
// other boards are still opened. Opening every relay of a board pushes it all
// open whatever it read back: a push of zeros closes nothing. A close that
// would leave more than maxClosed relays of a board closed, counting what the
// board read back, switches nothing; with a wiring, a close first reads back
// every board its rules depend on and switches nothing when they refuse it.
// refused gets the boards refused for reading back all ones, faults how many
// relays were not as expected. MustStop is looked at before every switch and
// every read-back.
SwitchEnd SwitchRelaySet(const SwitchPlace& place, const RelaySet& relays, bool on, BoardSet& refused, int& faults);

// Each board of the set read back; allOnes gets those that read back all ones.
// False once a stop is seen.
bool ReadBoards(BoardSet boards, BoardSet& allOnes);

// What the boards of the set hold, as read back last, as one set of relays.
RelaySet HeldRelays(BoardSet boards);

#endif
