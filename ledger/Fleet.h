// The ledger's functions on a fleet's PostgreSQL database (Ledger.h says what
// each does), called by Ledger.h's own when the ledger named is a URL. Inside
// the ledger only. A build without a PostgreSQL client has them refuse.
//
// Every row carries its station's name. Writes are transactions: counts are
// added in the database (operations = operations + n), so two programs, or
// two stations, writing at once lose nothing; records, verdicts and
// replacements have keys of their own, so a push made twice stores them once.
#ifndef RELAYTEST_LEDGER_FLEET_H
#define RELAYTEST_LEDGER_FLEET_H

#include <cstdint>
#include <string>
#include <vector>

#include "Ledger.h"
#include "LedgerShared.h"

// What a build without a PostgreSQL client says of a fleet.
inline constexpr const char* FleetMissing = "this build of the tools has no PostgreSQL client";

bool FleetAddCloses(const std::string& url, const std::uint32_t (&closes)[1024], std::string& error);
bool FleetAddRecords(const std::string& url, const std::vector<LedgerRecord>& records, std::size_t& added,
                     std::string& error);
bool FleetReplace(const std::string& url, const std::string& station, const std::vector<int>& relays,
                  std::int64_t time, std::string& error);
bool FleetStations(const std::string& url, std::vector<std::string>& stations, std::string& error);
bool FleetReadRelays(const std::string& url, const std::string& station, std::vector<LedgerRelay>& relays,
                     std::string& error);
bool FleetTop(const std::string& url, const std::string& station, std::size_t n, std::vector<LedgerRelay>& top,
              std::string& error);
bool FleetRelayHistory(const std::string& url, const std::string& station, int relay, LedgerRelay& summary,
                       std::vector<LedgerEvent>& events, std::string& error);
bool FleetFailingIn(const std::string& url, const std::string& station, int last, std::vector<LedgerFailing>& failing,
                    int& sweeps, std::string& error);
bool FleetPush(const LedgerCopy& copy, const std::string& url, const std::string& station, LedgerPushed& pushed,
               std::string& error);

// The machine's host name; "" when it has none.
std::string LedgerHostName();

#endif
