// The one way the tests start the programs (POSIX): by name, with arguments,
// the simulated card's settings and a standard input; waited for, standard
// output and standard error read whole.
#ifndef RELAYTEST_TESTS_SUPPORT_RUNPROGRAM_H
#define RELAYTEST_TESTS_SUPPORT_RUNPROGRAM_H

#include <string>
#include <vector>

#include "Child.h"

// A program's standard input: /dev/null unless given.
struct ProgramInput {
    ChildInput kind = ChildInput::DevNull;
    std::string text;  // what a ChildInput::Text pipe delivers before it ends
};

// A pipe that delivers text, then ends.
ProgramInput Typed(std::string text);

// The path of relaytest, relaysweep, relayctl or relaylog; empty for another name.
std::string ProgramPath(const std::string& name);

// Runs the program with that name on the simulated card that relaysim
// describes (RELAYSIM; empty for a healthy card; relaylog reads none). A name
// it does not know ends nothing: the result says so in err.
ChildResult RunProgram(const std::string& name, std::vector<std::string> args = {}, const std::string& relaysim = "",
                       ProgramInput input = {});

#endif
