// What relaylog finds in a record, the interface its consumers take it
// through, and the verdict on each relay: the text report, the JUnit report
// and the HTML page each take the findings on their own, and word them with
// Reports.h.
#ifndef RELAYLOG_FINDINGS_H
#define RELAYLOG_FINDINGS_H

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CardMap.h"
#include "RecordReader.h"

namespace relaylog {

using Program = const Frame*;  // by the record's first line: its row of Frames; relaytest's without a heading

struct Sequence {  // lines the programs print as one step
    enum Kind {
        None,
        Push,        // after a switch: four data writes, then control with the go flag
        StartFetch,  // control with the bare board: the first line of a fetch
        Fetch,       // four data reads
        Report,      // empty line, heading, four word lines, rule
    } kind = None;
    std::int32_t number = 0;  // Push: the relay switched; otherwise the board
    std::uint64_t line = 0;   // where it began
};

// The JUnit case a finding fails: the card check's, the waits', the
// protocol's, or a board's: that of the relay it names, of the board it
// names, or of the board fetched.
enum class Concern { CardCheck, Waits, Protocol, Relay, Board, Fetch };

// Each kind of finding, one row of the table in Wording.cpp that gives its
// concern and its sentence; the text report counts them in this order. The
// protocol follower (Protocol.h) finds them in the record's lines, the
// verdicts (below) in the read-backs once the record is complete.
// From NoCard on, the sentence is fixed: damage to the record's framing, no
// card, a sweep that verified nothing.
enum class Kind {
    RefusedRelay, RefusedBoard, NoSuchRelay, StrayAccess, BrokenOff, WrongValue, RelayDiffers, OrphanReport,
    ReportOtherBoard, ReportLabels, ReportMapMismatch, ReportFetchMismatch, NoPoll, PastLimit, WaitWentOn,
    StillBusyAtLimit, GaveUpEarly, StrayPoll, LineOutOfPlace, Stopped, StoppedBusy, ControlRefusedBoard,
    PushLandsElsewhere, BoardNotAnswering, RelayStuckClosed, RelayStuckOpen, RelayErratic, RouteNotFollowed,
    RouteFailed, RelayOpensAnother, RelayClosesElsewhere, RelayLate, BoardDropsUnderLoad, BoardShifted,
    BoardAnswersForOther, NoCard, MissingRevision, SecondCardCheck, SecondRevision, ReportLineOutside,
    BlankOutOfPlace, NoBlankBeforePrompt, PauseBeforeClosing, LineAfterClosing, LineAfterPause, NothingVerified,
};
constexpr std::size_t KindCount = static_cast<std::size_t>(Kind::NothingVerified) + 1;
constexpr Kind FirstFixed = Kind::NoCard;

// What a finding's sentence needs, as its row reads it (Wording.cpp).
// A register access is its offset, its value and its way (n[0], n[1], flag)
// in the step it belongs to, and the poll count or word it is judged by in
// n[2]; a count of read-backs is n[0].
struct Finding {
    std::uint64_t line = 0;  // where the record shows it
    Kind kind = Kind::NoCard;
    std::int64_t subject = -1;  // the relay or board it is about
    std::int64_t other = -1;    // another relay, board, line or count it names (-1: none)
    std::array<std::uint64_t, 3> n{};
    bool flag = false;   // read back on, all ones, shifted up, a route made, a write
    Sequence step{};     // the step it belongs to, or the fetch a report belongs to
    std::string text{};  // a route's title, a failed route change's own words
    LineKind what = LineKind::Blank;  // the line out of place, or the last line that stopped the run
    const Frame* frame = nullptr;     // the frame that line names; null for other lines
    Program run = nullptr;            // the run's program
};
Concern ConcernOf(Kind kind);
int CaseBoard(const Finding& finding);  // the board whose case it fails; -1: not a board's

struct ReadBack {  // a whole board read back: what came back, and what was last pushed to it
    int board = 0;
    std::uint64_t firstLine = 0;  // the control write that started the fetch
    std::uint64_t lastLine = 0;   // the last data read
    std::uint64_t pushedAt = 0;   // the push compared with; 0 when the board was never pushed
    Words fetched{}, pushed{};
    std::array<std::uint64_t, WordsPerBoard> wordLines{};  // the read of each word
    std::int32_t lastSwitch = -1;  // the relay of the last switch before the fetch; -1 when none
    bool switchedOn = false;       // that switch closed it
    bool deep = false;             // read in relaysweep's deep passes
    std::array<Words, Boards> latched{};  // what every board was last pushed
    std::int32_t landedFrom = -1;  // another board whose last push, not this one's, came back (-1: none)
    std::uint64_t landedAt = 0;    // the control write of that push, which landed here too
};

struct Stop {  // where a record that is not complete stopped, and what was under way
    enum Phase { CardCheck, Revision, Body } phase = Body;  // CardCheck: not even the card check yet
    Program program = Relaytest;  // what its end should have been
    std::uint64_t line = 0;  // the last complete line, or the one it ends inside
    Sequence within;         // the step under way; None between steps
    int done = 0;            // its lines done so far
    Sequence last;           // the last step done before it
    bool insideLine = false; // the record ends inside a line
    std::uint64_t polls = 0; // busy checks of that unfinished line
};

struct Traffic {
    std::uint64_t accesses = 0, polls = 0, longestWait = 0, longestWaitLine = 0;
};

class RelayVerdicts;

struct Run {  // one run of a program in a record: a file saved with ">>" holds several
    int number = 1;
    Program program = Relaytest;
    std::uint64_t firstLine = 1, lastLine = 0;
    int status = 0;             // 0 PASS, 1 FAIL, 2 not complete
    std::uint64_t problems = 0;
    std::string verdict;        // its last line: PASS, FAIL or the ERROR line
    std::string relays;         // "Relays: ...", once judged
};

// Takes what relaylog finds, in record order: the protocol follower's findings
// as it reads, then, for a complete record, the verdicts and their findings,
// and last End; or, for a record that cannot be judged, Error. Then Judged,
// once per run; a file of several runs ends with the file's verdict. Each
// consumer takes what it uses.
struct FindingSink {
    virtual ~FindingSink() = default;
    virtual void SweepHeading(std::uint64_t /*line*/, std::uint32_t /*boards*/) {}
    virtual void CardCheck(std::uint64_t /*line*/, bool /*found*/) {}
    virtual void Revision(std::uint64_t /*line*/, std::uint32_t /*value*/) {}
    virtual void BoardReadBack(const ReadBack& /*readBack*/) {}
    // Control with the go flag: what the data registers held went to the board.
    virtual void BoardPushed(int /*board*/, const Words& /*words*/) {}
    // A framed record's wiring, from its line after the card header: "FILE
    // (checksum X)", or empty (at that line) when it names none.
    virtual void RecordWiring(std::uint64_t /*line*/, const std::string& /*named*/) {}
    // The ledger its closes were counted into as it ran, from its line after the wiring's.
    virtual void RecordLedger(const std::string& /*named*/) {}
    // A line the station's rules put in the record: a relay skipped by rule,
    // a command refused, rules already broken, no fault of the card; and
    // relayctl's route lines (their faults come as findings).
    virtual void RuleLine(const RecordLine& /*line*/) {}
    virtual void Problem(const Finding& /*finding*/) {}
    virtual void Verdicts(const RelayVerdicts& /*verdicts*/) {}  // every relay judged; their findings come next
    virtual void End(const Traffic& /*traffic*/) {}
    virtual void Error(const std::string& /*line*/) {}  // the ERROR line, as the text report prints it
    virtual void Judged(const Run& /*run*/) {}
    virtual void FileJudged(const Run& /*worst*/, const std::string& /*verdict*/) {}  // several runs: the file's
};

struct Sinks {  // the consumers of a run, each fed every event in turn
    std::vector<FindingSink*> sinks;
    template <typename... Params, typename... Args>
    void operator()(void (FindingSink::*event)(Params...), const Args&... args) const
    {
        for (FindingSink* sink : sinks)
            (sink->*event)(args...);
    }
};

// The verdict on each relay, from every read-back of its board after a push:
// what came back, compared with the relay's state in that push.
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

using BoardBits = std::bitset<RelaysPerBoard>;  // a board's relays, relay c as bit c
BoardBits BitsOf(const Words& words);

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
    BoardBits dropMask;                // the relays pushed closed at those read-backs
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
    const Finding* DeepFindingOf(int relay) const;  // the relay's own, or its board's; null when none

private:
    RelayClass PlainClassOf(int relay) const;
    void ObserveDeep(const ReadBack& readBack);
    void DeepLate(const ReadBack& readBack, std::uint32_t reads, const Words& previous);
    void DeepRelays(const ReadBack& readBack, const Words& previous);
    void DeepRelayVerdicts(int board);

    std::array<DeepRelay, Relays> deep_{};
    std::array<DeepBoard, Boards> deepBoards_{};
    std::map<int, std::bitset<Relays>> strayFrom_;  // a relay: those on other boards closed at each stray close
    std::array<BoardBits, Boards> seenClosed_{};    // read back closed as pushed, anywhere in the record
    std::array<std::vector<Finding>, Boards> deepFound_;  // Settle's, board by board, a board's own first
    std::array<RelaySeen, Relays> relays_{};
    std::array<BoardSeen, Boards> boards_{};
    std::array<std::array<Landing, Boards>, Boards> landings_{};
    std::map<int, std::string> skipped_;  // relay: the rule's refusal
};


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
