// relayledger's command line, read with CLI11 and worded as the other
// programs word theirs: one line naming the mistake, then the synopsis.
#ifndef RELAYLEDGER_LEDGERCOMMANDLINE_H
#define RELAYLEDGER_LEDGERCOMMANDLINE_H

#include <string>
#include <vector>

namespace relayledger {

enum class Command { Top, Relay, Failing, Replaced, Export, Html, Push };

struct Options {
    std::string ledger;  // --ledger; empty: RELAYTEST_LEDGER
    std::string station; // --station: a fleet's station; empty: every one (push: this station's name)
    std::string wiring;  // --wiring; empty: RELAYTEST_WIRING, else none
    Command command = Command::Top;
    int count = 20;                  // top -n, failing --last
    std::vector<std::string> what;   // relay N's relay; replaced's relays, or "board" B; push's URL
    bool json = false;               // export --json, else --csv
    std::string html;                // html FILE, --html FILE
};

enum class Parsed { Run, Done, Usage };

// The full usage, as --help prints it.
extern const char* const UsageText;
extern const char* const Synopsis;

// Reads argv into options. Done: --help or --version printed (status 0).
// Usage: the mistake printed with the synopsis on standard error (status 2).
Parsed ReadCommandLine(int argc, char** argv, Options& options);

}  // namespace relayledger

#endif
