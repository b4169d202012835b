// What relaylog finds in a record, and the interface its consumers take it
// through: the text report, the JUnit report and the HTML page each take the
// findings on their own, and word them with Wording.h.
#ifndef RELAYLOG_FINDINGS_H
#define RELAYLOG_FINDINGS_H

#include <array>
#include <cstdint>
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
// verdicts (RelayVerdicts.h) in the read-backs once the record is complete.
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

}  // namespace relaylog

#endif
