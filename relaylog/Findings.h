// What relaylog finds in a record, as typed findings, and the interface its
// consumers take them through: the text report, the JUnit report and the
// HTML page each take them on their own, and word them with Wording.h.
#ifndef RELAYLOG_FINDINGS_H
#define RELAYLOG_FINDINGS_H

#include <array>
#include <cstdint>
#include <string>
#include <variant>

#include "CardMap.h"
#include "RecordReader.h"

namespace relaylog {

// The program that printed a record, known by its first line: each frames
// its record its own way.
enum class Program { Relaytest, Relaysweep, Relayctl };

// A sequence of lines relaytest prints as one step.
struct Sequence {
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

// Each kind of finding carries what its sentence needs and nothing else.
// The protocol follower (Protocol.h) finds the first group in the record's
// lines; the verdicts (RelayVerdicts.h) find the last group in the read-backs
// once the record is complete.

// An access, and the step it belongs to (None: no step).
struct AccessAt {
    RecordLine line;
    Sequence within;
};

// The card check and the revision.
struct NoCard {};
struct MissingRevision {};
struct SecondCardCheck {};
struct SecondRevision {};
// What relaytest refused, and a switch of a relay that does not exist.
struct RefusedRelay { std::int64_t relay; };
struct RefusedBoard { std::int64_t board; };
struct NoSuchRelay { std::int64_t relay; };
// Pushes and fetches.
struct StrayAccess { RecordLine access; };
struct BrokenOff { Sequence step; int done; };  // done: its lines so far
struct WrongValue { AccessAt access; std::uint32_t expected; };
struct RelayDiffers { std::int32_t relay; bool readOn; };  // pushed the other way
// Board reports; fetch is the fetch the report belongs to.
struct OrphanReport { std::int64_t board; };
struct ReportLineOutside {};
struct ReportOtherBoard { std::int64_t heading; Sequence fetch; };
struct ReportLabels { std::int32_t first; std::int64_t labelFirst; std::int32_t labelLast; Sequence fetch; };
struct ReportMapMismatch { std::int32_t first; std::uint32_t word; Sequence fetch; };
struct ReportFetchMismatch {
    std::int32_t first;
    std::uint32_t reported;
    std::uint32_t fetched;
    std::uint64_t fetchedAt;  // the read of that word
    Sequence fetch;
};
// The busy wait before an access.
struct NoPoll { AccessAt access; };
struct PastLimit { AccessAt access; std::uint64_t polls; };
struct WaitWentOn { AccessAt access; std::uint64_t idlePoll; };
struct StillBusyAtLimit { AccessAt access; };
struct GaveUpEarly { AccessAt access; std::uint64_t polls; };
struct StrayPoll { AccessAt access; std::uint32_t polled; };  // the address polled
// The record's framing.
struct BlankOutOfPlace {};
struct NoBlankBeforePrompt {};
struct PauseBeforeClosing {};
struct LineAfterClosing {};
struct LineAfterPause {};
struct LineOutOfPlace { LineKind line; Program in; };
struct SweepStopped { std::int32_t lastClosed; std::uint64_t closedAt; };  // lastClosed -1: none
// relayctl's own.
struct ControlRefusedBoard { std::int64_t board; };
struct ControlStopped {};
// The verdicts over every read-back.
struct PushLandsElsewhere { int board; int from; std::uint64_t push; std::uint32_t readBacks; };
struct BoardNotAnswering { int board; bool allOnes; std::uint32_t readBacks; };
struct RelayStuckClosed { int relay; std::uint32_t readBacks; std::uint32_t pushedOff; };
struct RelayStuckOpen { int relay; std::uint32_t readBacks; std::uint32_t pushedOn; };
struct RelayErratic {
    int relay;
    std::uint32_t readBacks;
    std::uint32_t differs;
    bool firstReadOn;           // the first that differed read back on
    std::int32_t firstSwitch;   // the relay switched before it; -1: none
};

using FindingKind =
    std::variant<NoCard, MissingRevision, SecondCardCheck, SecondRevision, RefusedRelay, RefusedBoard, NoSuchRelay,
                 StrayAccess, BrokenOff, WrongValue, RelayDiffers, OrphanReport, ReportLineOutside, ReportOtherBoard,
                 ReportLabels, ReportMapMismatch, ReportFetchMismatch, NoPoll, PastLimit, WaitWentOn,
                 StillBusyAtLimit, GaveUpEarly, StrayPoll, BlankOutOfPlace, NoBlankBeforePrompt,
                 PauseBeforeClosing, LineAfterClosing, LineAfterPause, LineOutOfPlace, SweepStopped,
                 ControlRefusedBoard, ControlStopped,
                 PushLandsElsewhere, BoardNotAnswering, RelayStuckClosed, RelayStuckOpen, RelayErratic>;

struct Finding {
    std::uint64_t line;  // where the record shows it
    FindingKind what;
};

// A whole board read back: what came back, and what was last pushed to it.
struct ReadBack {
    int board = 0;
    std::uint64_t firstLine = 0;  // the control write that started the fetch
    std::uint64_t lastLine = 0;   // the last data read
    std::uint64_t pushedAt = 0;   // the push compared with; 0 when the board was never pushed
    Words fetched{};
    Words pushed{};
    std::array<std::uint64_t, WordsPerBoard> wordLines{};  // the read of each word
    std::int32_t lastSwitch = -1;  // the relay of the last switch before the fetch; -1 when none
    // Another board whose last push is exactly what came back, where that
    // differs from this board's own push: the push landed here too. -1: none.
    std::int32_t landedFrom = -1;
    std::uint64_t landedAt = 0;  // the control write of that push
};

// Where a record that is not complete stopped, and what was under way.
struct Stop {
    enum Phase { CardCheck, Revision, Body } phase = Body;  // CardCheck: not even the card check yet
    Program program = Program::Relaytest;  // what its end should have been
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

// Takes what relaylog finds, in record order: the protocol follower's findings
// as it reads, then, for a complete record, the verdicts and their findings,
// and last End; or, for a record that cannot be judged, Error. Each consumer
// takes what it uses.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void SweepHeading(std::uint64_t /*line*/, std::uint32_t /*boards*/) {}
    virtual void CardCheck(std::uint64_t /*line*/, bool /*found*/) {}
    virtual void Revision(std::uint64_t /*line*/, std::uint32_t /*value*/) {}
    virtual void BoardReadBack(const ReadBack& /*readBack*/) {}
    virtual void Problem(const Finding& /*finding*/) {}
    // The record is complete and every relay judged; the verdicts' own
    // findings come next, through Problem.
    virtual void Verdicts(const RelayVerdicts& /*verdicts*/) {}
    virtual void End(const Traffic& /*traffic*/) {}
    // The record cannot be judged: the ERROR line, as the text report prints it.
    virtual void Error(const std::string& /*line*/) {}
};

}  // namespace relaylog

#endif
