// The shape of the program's console output, checked line by line against
// what a run was asked to do. Shared by the fuzz target and the property test
// of the normal suite. The output is read through relaylog's reader in its
// strict mode, so only the program's own lines, with their own line ends, pass.
//
// Every line must be one of the program's line kinds, in the order the steps
// call for: each windowed SPI access is one line of 1 to 10000 busy-check
// traces (all busy but the last, unless the limit was reached) and exactly one
// access trace at the right offset; each push carries the board image the
// program should hold; each report has four lines of exactly 32 "X"/"." that
// match the word read for it; a number out of range gets its one error line
// and no register access.
#ifndef RELAYTEST_TESTS_SHAPE_OUTPUTSHAPE_H
#define RELAYTEST_TESTS_SHAPE_OUTPUTSHAPE_H

#include <cstdint>
#include <string>
#include <vector>

enum class ShapeStepKind {
    Switch,  // SetRelay(number, on)
    Read,    // ReadBoard(number)
    Query,   // RelayIsOn(number)
};

struct ShapeStep {
    ShapeStepKind kind;
    std::int32_t number;
    bool on;  // Switch only
};

struct ShapeExpectation {
    // A whole run: card-check and revision lines before the steps, the
    // closing prompt after them. Otherwise the output is the steps alone.
    bool wholeRun = false;
    bool cardPresent = true;
    std::uint32_t revision = 0;
    std::vector<ShapeStep> steps;
};

enum class ShapeFault {
    None,
    NotAProgramLine,  // a line the program never prints
    MalformedPoll,    // a busy-check trace spelt wrongly
    PollsAlone,       // busy-check traces with no access after them
    UnendedLine,      // the output ends inside a line
    WrongLineEnd,     // "\r\n" where the program prints "\n", or the reverse
    WrongLine,        // a line other than the one the step calls for
    EndsEarly,
    ExtraLine,
    PollCount,        // no busy check, or more than the limit
    PolledAfterIdle,  // the wait went on after an idle poll
    AccessWhileBusy,  // the access went ahead while busy, short of the limit
    StrayPoll,        // a poll of another register than control
    WrongAccess,      // another register, or a read for a write
    WrongValue,       // a write of another value than the board's image
    WrongRange,       // a report line labelled with other relays
    MapNotTheWord,    // a report map that differs from its word
    ReportNotTheFetch,  // a report word that differs from the word read
};

struct ShapeProblem {
    std::uint64_t line = 0;  // from 1; 0 when there is no problem
    ShapeFault fault = ShapeFault::None;
    std::string detail;
};

// The first departure from the expected shape, or fault None. Relay state is
// taken as all zero at the start. registerTraces, when given, receives the
// number of busy-check and access traces read: one per InBAR32 and OutBAR32.
ShapeProblem CheckOutputShape(const std::string& out, const ShapeExpectation& expect,
                              std::size_t* registerTraces = nullptr);

// "line N: detail", or empty for no problem.
std::string Describe(const ShapeProblem& problem);

// The relay test sequence's nine steps.
std::vector<ShapeStep> TestSequenceSteps();

#endif
