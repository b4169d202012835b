// The one switch of the station, under relayctl, relaysweep's rules and the
// relaymatrix library alike. A close reads back every board the rules depend
// on (its own boards and every board the wiring lists), checks the request
// against what they hold (the wiring's rules and the board limit), and only
// then pushes; every board pushed is read back and each relay checked against
// what was asked. The record lines are written here; what became of the
// switch is told to the caller's SwitchSay, one note at a time, for it to
// phrase (relayctl on standard error, the library as its error text).
#ifndef RELAYTEST_STATION_STATIONSWITCH_H
#define RELAYTEST_STATION_STATIONSWITCH_H

#include <string>

#include "RelayList.h"
#include "Wiring.h"

// A board's coils share its supply, and a board that reads back all ones is
// how an absent one shows: no switch may leave more than this many relays of
// one board closed unless the caller raises it, and never all 128.
inline constexpr int DefaultMaxClosed = 32;
inline constexpr int HighestMaxClosed = RelaysPerBoard - 1;

enum class SwitchSaid {
    AllOnes,        // line: "board 3 reads back all ones (not fitted or not answering): nothing switched"
    RulesBroken,    // line: the rule the boards already break
    RulesRefused,   // line: the refusal (a rule of the wiring, or the board limit); count: 1 after RulesBroken
    NotAsExpected,  // line: "I+ did not close: it reads back open"; count: its place among the board's
    BoardFaults,    // after a board's check: count, how many of its relays were not as expected
};

struct SwitchNote {
    SwitchSaid said;
    BoardIndex board;
    std::string line;
    int count;
};

// Where the switch is made: the wiring (EmptyWiring() when none), the most
// relays a board may hold closed, what to say (handed the caller's context),
// and what to note of each board pushed.
struct SwitchPlace {
    const Wiring& wiring;
    int maxClosed;
    void (*say)(const SwitchNote& note, void* context);
    void* context;
    void (*pushed)(BoardIndex board);
};

enum class SwitchEnd {
    Switched,  // every board not refused switched and checked
    AllOnes,   // a close with a board that reads back all ones: nothing switched
    Refused,   // a close refused by the rules or the board limit: nothing switched
    Stopped,   // MustStop (StopCause.h) was seen: the rest is undone
};

// Closes (on) or opens the relays. A board that reads back all ones (not
// fitted, not answering, or every relay closed) is never pushed: pushing its
// image back would close every relay of it. For close, such a board leaves the
// whole switch undone, so that no circuit is made half-way; for open, the
// other boards are still opened. Opening every relay of a board pushes it all
// open whatever it read back: a push of zeros closes nothing. An open always
// pushes each board named, even when its relays already read back open: a
// relay that reads open may still be driven closed (a stuck contact, a
// failed read-back), and only a push clears its bit. refused gets the boards
// refused for reading back all ones, faults how many relays were not as
// expected. MustStop is looked at before every switch and every read-back.
SwitchEnd SwitchRelaySet(const SwitchPlace& place, const RelaySet& relays, bool on, BoardSet& refused, int& faults);

// Each board of the set read back; allOnes gets those that read back all ones.
// False once a stop is seen.
bool ReadBoards(BoardSet boards, BoardSet& allOnes);

// What the boards of the set hold, as read back last, as one set of relays.
RelaySet HeldRelays(BoardSet boards);

// The boards the rules against a close depend on: the request's own and
// every board the wiring lists (they share its nets).
BoardSet RuleBoards(const Wiring& wiring, const RelaySet& request);

enum class CloseRule {
    Allowed,
    Refused,      // refusal: the rule the close would break, with its line
    StateBroken,  // what the boards hold already breaks a rule (breach): only opening is allowed
};

// A close of request while the boards hold held: whether the wiring's rules
// and the board limit allow it. maxClosed is the caller's limit; the file's,
// when lower, wins.
CloseRule CheckCloseRules(const Wiring& wiring, const RelaySet& held, const RelaySet& request, int maxClosed,
                          std::string& refusal, std::string& breach);

// The request alone against the board limit, before anything is read back:
// false, with the limit's words in error, when it names more relays of one
// board than the limit.
bool RequestWithinLimit(const Wiring& wiring, const RelaySet& request, int maxClosed, std::string& error);

#endif
