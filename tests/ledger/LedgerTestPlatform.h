// What the ledger's tests do differently on each platform: start programs
// that write one ledger at once, and name a ledger as a station would.
#ifndef RELAYTEST_TESTS_LEDGER_LEDGERTESTPLATFORM_H
#define RELAYTEST_TESTS_LEDGER_LEDGERTESTPLATFORM_H

#include <filesystem>
#include <string>
#include <vector>

// Starts `writers` relayledger_writer programs at once on the ledger at
// path, each adding `times` times one close of relay 5 and two of relay
// 1023, and waits for them all: false, with why, when one could not be
// started or did not end with status 0.
bool RunLedgerWriters(int writers, const std::string& path, int times, std::string& why);

// A ledger named in one of the ways a station names it (given, as the
// programs get it from their command line or environment), and the file
// that must then be made (file). Folders the names need are made in dir.
struct LedgerPathForm {
    const char* name;
    std::string given;
    std::filesystem::path file;
};
std::vector<LedgerPathForm> LedgerPathForms(const std::filesystem::path& dir);

#endif
