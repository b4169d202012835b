// The station's relay ledger in use: chosen once, in one place, for every
// tool (--ledger FILE or the library's argument, else the environment
// variable RELAYTEST_LEDGER that a station sets once), and what the session
// counted (CloseCount.h) written into it: at the session's end, and while
// it runs at least once a minute, so that a crash loses at most the last
// minute. No ledger named: nothing is counted into any.
#ifndef RELAYTEST_STATION_STATIONLEDGER_H
#define RELAYTEST_STATION_STATIONLEDGER_H

#include <string>

inline constexpr const char* LedgerVariable = "RELAYTEST_LEDGER";

// The ledger to use: given when it is, else RELAYTEST_LEDGER's; "" for none.
// given "" (not null) says none, whatever the variable names.
std::string ChooseLedgerFile(const char* given);

// --ledger as the command line gave it (given false: not given).
void SetLedgerOption(bool given, const std::string& file);
// StartLedger on --ledger's file, else RELAYTEST_LEDGER's.
bool StartStationLedger(std::string& error);

// Starts counting into the ledger at path ("" for none): the ledger is
// opened (created when missing) and checked before any relay is switched.
// False, with "PATH: why" (a fleet's URL shown without its password), for
// one that cannot be used.
bool StartLedger(const std::string& path, std::string& error);

// Writes what was counted since the last write: when final, or once a
// minute has passed since the last. False, with the reason, when the write
// failed (what was counted is kept for the next).
bool WriteLedger(bool final, std::string& error);

// The first reason a write while the session ran failed ("" for none).
const std::string& LedgerProblem();

// With a ledger in use, the record's line that names it: "Ledger: FILE",
// right after the card header and any "Wiring:" line, so that relaylog adds
// no close of that record again. A URL's password is not written.
void RecordLedgerLine();
// The ledger as the record names it: as the ledger shows it (a fleet's URL
// without its password), control bytes escaped.
std::string RecordedLedgerName(const std::string& path);

// Nothing counted into any ledger any more.
void StopLedger();
bool LedgerInUse();

#endif
