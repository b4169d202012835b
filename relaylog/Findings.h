// What relaylog finds in a record, as typed findings, and the interface its
// consumers take them through: the text report, the JUnit report and the
// HTML page each take them on their own, and word them with Wording.h.
#ifndef RELAYLOG_FINDINGS_H
#define RELAYLOG_FINDINGS_H

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
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

enum class Concern { CardCheck, Waits, Board, Protocol };  // the JUnit case a finding fails

// Each kind of finding carries what its sentence needs, and its concern (a
// board concern also names its board). The protocol follower (Protocol.h)
// finds the first group in the record's lines; the verdicts (RelayVerdicts.h)
// find the last group in the read-backs once the record is complete.

struct AccessAt {  // an access, and the step it belongs to (None: no step)
    RecordLine line;
    Sequence within;
};

// The findings whose sentence is fixed: damage to the record's framing, no
// card, a sweep that verified nothing. Each has one sentence and one concern,
// in a table (FindingText.cpp) in this order.
enum class PlainKind {
    NoCard, MissingRevision, SecondCardCheck, SecondRevision, ReportLineOutside, BlankOutOfPlace,
    NoBlankBeforePrompt, PauseBeforeClosing, LineAfterClosing, LineAfterPause, NothingVerified,
};
constexpr int PlainKindCount = 11;
struct Plain { PlainKind which; };
const char* PlainSentence(PlainKind which);
Concern PlainConcern(PlainKind which);

// The concern of every other kind, as a member: "static constexpr Concern
// concern"; a kind whose concern is a board says which with Board(), the
// board of its member relay for RELAYLOG_ON_RELAY.
#define RELAYLOG_ON(c) static constexpr Concern concern = Concern::c
#define RELAYLOG_ON_BOARD(b) \
    RELAYLOG_ON(Board);      \
    int Board() const { return static_cast<int>(b); }
#define RELAYLOG_ON_RELAY RELAYLOG_ON_BOARD(BoardOf(relay))

// What relaytest refused, and a switch of a relay that does not exist.
struct RefusedRelay { std::int64_t relay; RELAYLOG_ON(Protocol); };
struct RefusedBoard { std::int64_t board; RELAYLOG_ON(Protocol); };
struct NoSuchRelay { std::int64_t relay; RELAYLOG_ON(Protocol); };
// Pushes and fetches; a relay read back the other way than pushed.
struct StrayAccess { RecordLine access; RELAYLOG_ON(Protocol); };
struct BrokenOff { Sequence step; int done; RELAYLOG_ON(Protocol); };  // done: its lines so far
struct WrongValue { AccessAt access; std::uint32_t expected; RELAYLOG_ON(Protocol); };
struct RelayDiffers { std::int32_t relay; bool readOn; RELAYLOG_ON_RELAY; };
// Board reports; fetch is the fetch the report belongs to, fetchedAt the read of that word.
struct OrphanReport { std::int64_t board; RELAYLOG_ON(Protocol); };
struct ReportOtherBoard { std::int64_t heading; Sequence fetch; RELAYLOG_ON_BOARD(fetch.number); };
struct ReportLabels { std::int32_t first; std::int64_t labelFirst; std::int32_t labelLast; Sequence fetch;
                      RELAYLOG_ON_BOARD(fetch.number); };
struct ReportMapMismatch { std::int32_t first; std::uint32_t word; Sequence fetch; RELAYLOG_ON_BOARD(fetch.number); };
struct ReportFetchMismatch { std::int32_t first; std::uint32_t reported; std::uint32_t fetched; std::uint64_t fetchedAt;
                             Sequence fetch; RELAYLOG_ON_BOARD(fetch.number); };
// The busy wait before an access; polled: the address a poll read.
struct NoPoll { AccessAt access; RELAYLOG_ON(Waits); };
struct PastLimit { AccessAt access; std::uint64_t polls; RELAYLOG_ON(Waits); };
struct WaitWentOn { AccessAt access; std::uint64_t idlePoll; RELAYLOG_ON(Waits); };
struct StillBusyAtLimit { AccessAt access; RELAYLOG_ON(Waits); };
struct GaveUpEarly { AccessAt access; std::uint64_t polls; RELAYLOG_ON(Waits); };
struct StrayPoll { AccessAt access; std::uint32_t polled; RELAYLOG_ON(Waits); };
// The record's framing: a line out of place (of: the frame a heading or last
// line names, null for other lines), and the run stopped before its end by
// its last line, Interrupted or Unwritten (lastClosed -1: none), or because
// the controller stayed busy.
struct LineOutOfPlace { LineKind line; const Frame* of; Program in; RELAYLOG_ON(Protocol); };
struct Stopped { LineKind cause; Program run; std::int32_t lastClosed; std::uint64_t closedAt; RELAYLOG_ON(Protocol); };
struct StoppedBusy { Program run; RELAYLOG_ON(Waits); };
// relayctl's own: a board it would not push; a relay of a route made or
// broken (its title as the record gives it) that its board's last read-back
// (readAt, 0: none) does not show as the line says; a failed route change
// (the line's text), and a relay it closed that still reads back closed
// after its rollback (-1: none).
struct ControlRefusedBoard { std::int64_t board; RELAYLOG_ON(Protocol); };
struct RouteNotFollowed { std::string title; std::int32_t relay; bool made; std::uint64_t readAt; RELAYLOG_ON_RELAY; };
struct RouteFailed { std::string text; std::int32_t leftClosed; std::uint64_t readAt; RELAYLOG_ON(Protocol); };
// The verdicts over every read-back, readBacks how many showed it; an
// erratic relay's first differing read-back, read back on or not, and the
// relay switched before it (-1: none).
struct PushLandsElsewhere { int board; int from; std::uint64_t push; std::uint32_t readBacks;
                            RELAYLOG_ON_BOARD(board); };
struct BoardNotAnswering { int board; bool allOnes; std::uint32_t readBacks; RELAYLOG_ON_BOARD(board); };
struct RelayStuckClosed { int relay; std::uint32_t readBacks; std::uint32_t pushedOff; RELAYLOG_ON_RELAY; };
struct RelayStuckOpen { int relay; std::uint32_t readBacks; std::uint32_t pushedOn; RELAYLOG_ON_RELAY; };
struct RelayErratic { int relay; std::uint32_t readBacks; std::uint32_t differs; bool firstReadOn;
                      std::int32_t firstSwitch; RELAYLOG_ON_RELAY; };
// The verdicts of relaysweep's deep passes: closing relay opened other,
// closed before, on its board; other, on another board, read back closed
// whenever relay was; the first read after a push showed the old state, read
// number read the push; every relay read back open while closed of them were
// pushed closed; read back as pushed, shifted one relay up (relay k as k + 1)
// or down; read back exactly what was pushed to board other.
struct RelayOpensAnother { int relay; int other; std::uint32_t readBacks; RELAYLOG_ON_RELAY; };
struct RelayClosesElsewhere { int relay; int other; std::uint32_t readBacks; RELAYLOG_ON_RELAY; };
struct RelayLate { int relay; std::uint32_t read; std::uint32_t times; RELAYLOG_ON_RELAY; };
struct BoardDropsUnderLoad { int board; int closed; std::uint32_t readBacks; RELAYLOG_ON_BOARD(board); };
struct BoardShifted { int board; bool up; std::uint32_t readBacks; RELAYLOG_ON_BOARD(board); };
struct BoardAnswersForOther { int board; int other; std::uint32_t readBacks; RELAYLOG_ON_BOARD(board); };
#undef RELAYLOG_ON_RELAY
#undef RELAYLOG_ON_BOARD
#undef RELAYLOG_ON

using FindingKind =
    std::variant<Plain, RefusedRelay, RefusedBoard, NoSuchRelay, StrayAccess, BrokenOff, WrongValue, RelayDiffers,
                 OrphanReport, ReportOtherBoard, ReportLabels, ReportMapMismatch, ReportFetchMismatch, NoPoll,
                 PastLimit, WaitWentOn, StillBusyAtLimit, GaveUpEarly, StrayPoll, LineOutOfPlace,
                 Stopped, StoppedBusy, ControlRefusedBoard, PushLandsElsewhere, BoardNotAnswering, RelayStuckClosed,
                 RelayStuckOpen, RelayErratic, RouteNotFollowed, RouteFailed, RelayOpensAnother,
                 RelayClosesElsewhere, RelayLate, BoardDropsUnderLoad, BoardShifted, BoardAnswersForOther>;

constexpr std::size_t KindCount = std::variant_size_v<FindingKind> - 1 + PlainKindCount;
std::size_t KindOf(const FindingKind& what);  // 0 to KindCount - 1, each plain kind one of its own

struct Finding {
    std::uint64_t line;  // where the record shows it
    FindingKind what;
};

struct ReadBack {  // a whole board read back: what came back, and what was last pushed to it
    int board = 0;
    std::uint64_t firstLine = 0;  // the control write that started the fetch
    std::uint64_t lastLine = 0;   // the last data read
    std::uint64_t pushedAt = 0;   // the push compared with; 0 when the board was never pushed
    Words fetched{};
    Words pushed{};
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
    std::uint64_t accesses = 0;
    std::uint64_t polls = 0;
    std::uint64_t longestWait = 0;
    std::uint64_t longestWaitLine = 0;
};

class RelayVerdicts;

struct Run {  // one run of a program in a record: a file saved with ">>" holds several
    int number = 1;
    Program program = Relaytest;
    std::uint64_t firstLine = 1;
    std::uint64_t lastLine = 0;
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
class FindingSink {
public:
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

class Sinks {  // the consumers of a run, each fed every event in turn
public:
    explicit Sinks(std::vector<FindingSink*> sinks) : sinks_(std::move(sinks)) {}
    template <typename... Params, typename... Args>
    void operator()(void (FindingSink::*event)(Params...), const Args&... args) const
    {
        for (FindingSink* sink : sinks_)
            (sink->*event)(args...);
    }

private:
    std::vector<FindingSink*> sinks_;
};

}  // namespace relaylog

#endif
