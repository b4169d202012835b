// The shape of the program's console output, checked line by line against
// what a run was asked to do. Shared by the fuzz target and the property test
// of the normal suite.
//
// Every line must be one of the program's line kinds, in the order the steps
// call for: each windowed SPI access is one line of 1 to 10000 busy-check
// traces (all busy but the last, unless the limit was reached) and exactly one
// access trace at the right offset; each push carries the board image the
// program should hold; each report has four lines of exactly 32 "X"/"." that
// match the word read for it; a number out of range gets its one error line
// and no register access.
#ifndef RELAYTEST_TESTS_OUTPUTSHAPE_H
#define RELAYTEST_TESTS_OUTPUTSHAPE_H

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

// Empty when the output has exactly the expected shape; otherwise the first
// departure, with its line number. Relay state is taken as all zero at the
// start.
std::string CheckOutputShape(const std::string& out, const ShapeExpectation& expect);

// How many register traces the output holds, polls and accesses alike: one
// for every InBAR32 and OutBAR32 call.
std::size_t CountRegisterTraces(const std::string& out);

// The relay test sequence's nine steps.
std::vector<ShapeStep> TestSequenceSteps();

#endif
