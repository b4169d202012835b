// The verdict on each relay, from every read-back of its board after a push:
// what came back, compared with the relay's state in that push.
#ifndef RELAYLOG_RELAYVERDICTS_H
#define RELAYLOG_RELAYVERDICTS_H

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Findings.h"

namespace relaylog {

enum class RelayClass {
    Functional,      // always as pushed, seen both pushed on and pushed off
    PartlyVerified,  // always as pushed, seen in one state only
    Unverified,      // its board was never read back after a push
    StuckClosed,     // read back on every time, at least once when pushed off
    StuckOpen,       // read back off every time, at least once when pushed on
    Erratic,         // anything else that differs from the push at least once
    SkippedByRule,   // relaysweep left it open by the station's rules; seen only as pushed, if at all
    // relaysweep --deep's verdicts, by its deep passes:
    OpensAnother,    // closing it opened another relay of its board, closed before
    ClosesElsewhere, // closing it closed a relay on another board
    Late,            // its read-back showed a push only from a later read of its board
    DropsUnderLoad,  // on a board that read back every relay open while several were pushed closed
    Shifted,         // on a board that answers with its bits shifted by one relay
    AnswersForOther, // on a board that answers with another board's bits
};
constexpr int RelayClassCount = 13;
constexpr int PlainClassCount = 7;   // the classes of the plain sweep, before the deep passes' own
constexpr int ListedClassCount = 6;  // those every report lists; the others only when a relay is in them
using PerClass = std::array<std::uint32_t, RelayClassCount>;  // relays counted by class
inline bool IsListed(const PerClass& counts, int k)
{
    return k < ListedClassCount || counts[static_cast<std::size_t>(k)] > 0;
}

// Each class as every report words it: its name, its CSS class and style on
// the page, how bad it is (a relay that moves up in severity has got worse),
// and its mark in the text report's grids. Unverified sits below
// the faults, as nothing was seen wrong; erratic below stuck, as it still
// works some of the time; late beside erratic (the relay follows, given
// time); a board that answers wrongly beside stuck closed.
struct ClassWords {
    const char* name;
    const char* id;
    const char* style;
    int severity;
    char mark;
};
inline constexpr ClassWords Classes[RelayClassCount] = {
    {"functional", "functional", "fill:#43a047", 0, 'F'},
    {"partly verified", "partly", "fill:#aed581", 1, 'p'},
    {"unverified", "unverified", "fill:#bdbdbd", 2, '?'},
    {"stuck closed", "stuck-closed", "fill:#d32f2f", 5, 'C'},
    {"stuck open", "stuck-open", "fill:#1565c0", 4, 'O'},
    {"erratic", "erratic", "fill:#ff8f00", 3, 'E'},
    {"skipped by rule", "skipped", "fill:#fff;stroke:#7e57c2;stroke-width:2;stroke-dasharray:4 2", 2, 'S'},
    {"opens another", "opens-another", "fill:#6a1b9a", 4, 'A'},
    {"closes on another board", "closes-elsewhere", "fill:#ad1457", 4, 'G'},
    {"late", "late", "fill:#fdd835", 3, 'L'},
    {"drops under load", "drops-under-load", "fill:#4e342e", 4, 'D'},
    {"answers shifted", "shifted", "fill:#00838f", 5, 'H'},
    {"answers for another board", "answers-for-other", "fill:#37474f", 5, 'W'},
};
inline const ClassWords& WordsOf(RelayClass k) { return Classes[static_cast<int>(k)]; }

// How many read-backs showed something, and the line of the first; Add is
// true for that first.
struct Tally {
    std::uint32_t count = 0;
    std::uint64_t first = 0;
    bool Add(std::uint64_t line)
    {
        first = count == 0 ? line : first;
        return ++count == 1;
    }
};

// What the read-backs of its board after a push showed of one relay.
struct RelaySeen {
    std::uint32_t reads = 0;
    std::uint32_t pushedOn = 0;     // of them, with the relay pushed on
    std::uint32_t readOn = 0;       // of them, read back on
    Tally differs;                  // of them, not as pushed, at the read of its word
    std::int32_t firstSwitch = -1;  // the relay switched before the first that differed; -1: none
    bool firstReadOn = false;       // that first read it back on
};

// What the read-backs of a board after a push showed, less those that show
// another board's push (a Landing, by the board pushed and the board read).
struct BoardSeen {
    std::uint32_t reads = 0;
    Tally differing;       // not as pushed
    bool allOnes = true;   // every one read back all ones
    bool allZeros = true;  // every one read back all zeros
};
struct Landing {
    Tally seen;
    std::uint64_t push = 0;  // the push the first showed
};

// What the deep passes showed of one relay.
struct DeepRelay {
    std::int32_t opened = -1;    // a relay of its board its close opened, the first seen
    Tally opens;                 // read-backs that showed that
    Tally late;                  // read-backs that showed its push late
    std::uint32_t lateRead = 0;  // the latest read after a push that was the first to show it
    Tally strays;                // read back closed, pushed open, while relays on other boards were closed
};

// What the deep passes showed of one board.
struct DeepBoard {
    std::uint64_t lastPush = 0;        // the push its last read-back was compared with
    std::uint32_t reads = 0;           // read-backs since that push
    Words last{};                      // what that read-back showed
    std::array<Words, Boards> card{};  // what every board had been pushed then
    int dropped = 0;                   // the fewest relays pushed closed that read back all open
    Tally drops;
    Words dropMask{};                  // the relays pushed closed at those read-backs
    std::uint32_t shifts[2] = {};      // read-backs shifted one relay down, up
    std::uint64_t shiftLine = 0;       // the first of the direction seen last
    int answeredFor = -1;              // the board whose push it read back, first seen
    Tally answers;
};

// Takes every read-back of a record and judges each relay from them.
class RelayVerdicts : public FindingSink {
public:
    void BoardReadBack(const ReadBack& readBack) override;
    // relaysweep's "Relay N skipped: REASON": the relay is judged skipped by
    // rule unless its read-backs show a fault.
    void RuleLine(const RecordLine& line) override;
    std::string SkipReason(int relay) const;  // why relaysweep skipped the relay; empty when it did not

    RelayClass ClassOf(int relay) const;
    const RelaySeen& Relay(int relay) const { return relays_[static_cast<std::size_t>(relay)]; }
    const BoardSeen& Board(int board) const { return boards_[static_cast<std::size_t>(board)]; }
    PerClass Counts(int board = -1) const;  // of a board, or of all (-1)
    // What the verdicts find, board by board: pushes that land on another
    // board, a board that does not answer, or else each stuck or erratic relay;
    // after a --deep record's deep passes, a board's own deep verdict stands
    // for all of these, and the deep verdicts of its relays follow them.
    std::vector<Finding> Findings() const;
    void Settle();  // once the record is complete: the deep passes' verdicts
    // The deep verdict that stands for the relay's class: its own, or its
    // board's; null when its class is none of the deep passes'.
    const Finding* DeepFindingOf(int relay) const;

private:
    RelayClass PlainClassOf(int relay) const;
    const Finding* DeepOf(int relay) const;  // the deep verdict found for the relay, or its board's
    void ObserveDeep(const ReadBack& readBack);
    void DeepLate(const ReadBack& readBack, std::uint32_t reads, const Words& previous);
    void DeepRelays(const ReadBack& readBack, const Words& previous);
    void DeepRelayVerdicts(int board);

    std::array<DeepRelay, Relays> deep_{};
    std::array<DeepBoard, Boards> deepBoards_{};
    std::map<int, std::bitset<Relays>> strayFrom_;  // a relay: those on other boards closed at each stray close
    std::bitset<Relays> seenClosed_;                // read back closed as pushed, anywhere in the record
    std::array<std::vector<Finding>, Boards> deepFound_;  // Settle's, board by board, a board's own first
    std::array<RelaySeen, Relays> relays_{};
    std::array<BoardSeen, Boards> boards_{};
    std::array<std::array<Landing, Boards>, Boards> landings_{};
    std::map<int, std::string> skipped_;  // relay: the rule's refusal
};

int Differing(const Words& a, const Words& b);  // the relays in which two images of a board differ

// What changed since an earlier record: each relay's class then and now.
struct Comparison {
    std::vector<std::string> lines;  // "CHANGED relay N (...): OLD -> NEW", relay order
    std::array<bool, Relays> changed{};
    std::uint32_t worse = 0;
    std::uint32_t better = 0;
    std::uint32_t unchanged = 0;
    std::uint32_t notCompared = 0;  // unverified in either record
};
// Only relays verified in both records are compared; functional and partly
// verified are alike (always as pushed).
Comparison Compare(const RelayVerdicts& old, const RelayVerdicts& now);
std::string SummaryOf(const Comparison& comparison);

}  // namespace relaylog

#endif
