// What following a record's protocol finds, as typed findings: the protocol
// follower (Protocol.h) emits them, the report writer (Report.h) words them.
#ifndef RELAYLOG_FINDINGS_H
#define RELAYLOG_FINDINGS_H

#include <array>
#include <cstdint>

#include "CardMap.h"
#include "RecordReader.h"

namespace relaylog {

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

enum class FindingKind {
    NoCard,
    MissingRevision,
    SecondCardCheck,
    SecondRevision,
    RefusedRelay,         // n: the relay
    RefusedBoard,         // n: the board
    NoSuchRelay,          // n: the relay
    StrayAccess,          // access
    BrokenOff,            // within, n: the steps done
    WrongValue,           // access, within, value: what it should have been
    RelayDiffers,         // n: the relay; on: what it read back
    OrphanReport,         // n: the board
    ReportLineOutside,
    ReportOtherBoard,     // n: the board in the heading; within: the fetch
    ReportLabels,         // n, last: the labels; first: the right first relay
    ReportMapMismatch,    // first, value: the word
    ReportFetchMismatch,  // first, value: the report's word; other: the fetch's, at otherLine
    NoPoll,               // access, within
    PastLimit,            // access, within, count
    WaitWentOn,           // access, within, count: the idle poll
    StillBusyAtLimit,     // access, within
    GaveUpEarly,          // access, within, count
    StrayPoll,            // access, within, value: the address polled
    BlankOutOfPlace,
    NoBlankBeforePrompt,
    PauseBeforeClosing,
    LineAfterClosing,
    LineAfterPause,
    LineOutOfPlace,       // n: the LineKind; on: in a sweep record
    SweepStopped,         // n: the relay last switched on, at otherLine (-1: none)
};

struct Finding {
    Finding(FindingKind what, std::uint64_t at) : kind(what), line(at) {}

    FindingKind kind;
    std::uint64_t line;
    RecordLine access;  // the access line it concerns, where one does
    Sequence within;    // the step the access or line belongs to
    std::int64_t n = 0;
    std::int32_t last = 0;
    std::int32_t first = 0;
    bool on = false;
    std::uint64_t count = 0;
    std::uint32_t value = 0;
    std::uint32_t other = 0;
    std::uint64_t otherLine = 0;
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
    bool sweep = false;      // a sweep record: it should end with "Sweep complete"
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

// Receives what the protocol follower finds, in record order.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void SweepHeading(std::uint64_t line, std::uint32_t boards) = 0;
    virtual void CardCheck(std::uint64_t line, bool found) = 0;
    virtual void Revision(std::uint64_t line, std::uint32_t value) = 0;
    virtual void BoardReadBack(const ReadBack& readBack) = 0;
    virtual void Problem(const Finding& finding) = 0;
};

}  // namespace relaylog

#endif
