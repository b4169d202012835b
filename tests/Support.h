// Helpers shared by the tests: capturing the program's console output,
// comparing transcripts, and running the real executable.
#ifndef RELAYTEST_TESTS_SUPPORT_H
#define RELAYTEST_TESTS_SUPPORT_H

#include <functional>
#include <string>
#include <vector>

#include "SimControl.h"

// The program's main(), built into the tests under this name.
int RelaytestMain();

// Runs fn with standard output going to a file and standard input at end of
// file; returns everything written to standard output by either stdio or
// the stream object.
std::string CaptureStdout(const std::function<void()>& fn);

// Empty when equal; otherwise the first differing line with its number, the
// expected and actual text, carriage returns shown as \r.
std::string TranscriptDiff(const std::string& expected, const std::string& actual);

std::string ReadFile(const std::string& path);
std::string Golden(const std::string& name);

struct ChildResult {
    std::string out;
    int exitCode = -1;  // -1 when it did not exit normally
};
// Runs a shell command line, capturing its standard output.
ChildResult RunCommand(const std::string& command);

// Puts the simulated card in its power-on state and records its calls.
void ResetCard();

#endif

// Clears the relay tables to their start state.
void ResetRelays();

// Makes successive polls of the control register (BAR offset 0x100) return
// these values, then idle (0); other reads are left to the model.
void ScriptControlReads(std::vector<std::uint32_t> values);

// The busy-check trace for a poll that read this value.
std::string BusyTrace(std::uint32_t value);
