// The command line of the programs the frame runs, read with CLI11; its
// errors, worded once for every program: standard error, "PROG: MESSAGE" and
// the usage line, status 2.
#ifndef RELAYTEST_FRAME_COMMANDLINE_H
#define RELAYTEST_FRAME_COMMANDLINE_H

#include "Frame.h"

// --wait's default: a script that finds the card busy waits out a board's
// sweep before it gives up.
inline constexpr int DefaultWaitSeconds = 60;

// Reads argv for the program, its own options and --wait. -1 to go on; 0
// for --help or --version, with the text for standard output in text; 2 for
// a usage error, with the message in text.
int ParseCommandLine(const ProgramEntry& program, int argc, const char* const* argv, int& waitSeconds,
                     std::string& text);

// ParseCommandLine, with what it says printed: -1 to go on, or the status.
int ReadCommandLine(const ProgramEntry& program, int argc, char** argv, int& waitSeconds);

// "PROG: MESSAGE" then the usage line, on standard error: status 2.
int UsageError(const ProgramEntry& program, const std::string& message);

#endif
