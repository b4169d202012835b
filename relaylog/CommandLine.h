// relaylog's command line, read with CLI11 and worded as the programs word
// theirs: one line naming the mistake, then the one-line synopsis.
#ifndef RELAYLOG_COMMANDLINE_H
#define RELAYLOG_COMMANDLINE_H

#include <string>
#include <vector>

#include "ReportFiles.h"

namespace relaylog {

struct Options {
    std::string record;    // a file name, or "-" for standard input
    std::string junit;     // empty: no JUnit report
    std::string html;      // empty: no page
    std::string baseline;  // empty: no comparison
    std::string wiring;    // the station's wiring file; empty: none given
    std::string ledger;    // the station's relay ledger; empty: none
};

enum class Parsed { Run, Done, Usage };

// The full usage, as --help prints it.
extern const char* const UsageText;

// Reads argv into options. Done: --help or --version printed (status 0).
// Usage: the mistake is in mistake and has been printed with the synopsis
// on standard error (status 2); reports lists every --junit and --html file
// named, so that they can still say why nothing was judged.
Parsed ReadCommandLine(int argc, char** argv, Options& options, std::string& mistake, std::vector<NamedFile>& reports);

// Text echoed whole, a backslash as \\ and control bytes as \xHH.
std::string Echoed(const std::string& text);

}  // namespace relaylog

#endif
