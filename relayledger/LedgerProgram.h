// relayledger's commands over the ledger (ledger/Ledger.h), each printing
// its answer and returning the exit status: 0 done, 1 the ledger or a file
// could not be read or written (one line on standard error).
#ifndef RELAYLEDGER_LEDGERPROGRAM_H
#define RELAYLEDGER_LEDGERPROGRAM_H

#include <cstdint>
#include <string>
#include <vector>

#include "Ledger.h"
#include "LedgerCommandLine.h"
#include "Wiring.h"

namespace relayledger {

// The station the ledger is read for: its wiring (EmptyWiring when none)
// and its relays' rated life; in a fleet, the station read, or every one.
struct Station {
    std::string ledger;
    std::string shown;         // the ledger as printed (a fleet's URL without its password)
    bool fleet = false;
    std::string fleetStation;  // in a fleet, the station read; "" for every station
    Wiring wiring;
    bool wired = false;
    std::uint64_t rated = LedgerDefaultRatedOperations;
};

// The error's line on standard error; status 1.
int Cannot(const std::string& error);
// "1 sweep", "2 sweeps".
std::string Plural(std::uint64_t n, const char* one, const char* many);
// Whether the lines printed name their station: a fleet read whole.
bool EveryStation(const Station& station);
// The width of a station column holding these names.
int StationWidth(const std::vector<LedgerRelay>& relays);

// "2026-12-09 21:40:00 UTC"; "-" for 0 (never).
std::string TimeText(std::int64_t time);
// The relay's share of its rated life, in per cent.
double SharePercent(const Station& station, std::uint64_t operations);
// "100000000 operations (default)", or "... (rated-operations, bench-3.toml)".
std::string RatedText(const Station& station);

int Top(const Station& station, int n);
int RelayReport(const Station& station, int relay);
int Failing(const Station& station, int last);
int Replaced(const Station& station, const std::vector<int>& relays, const std::string& what);
int Export(const Station& station, bool json);
// A fleet's failing relays, station by station (FleetCommands.cpp).
int FailingAcross(const Station& station, int last);
// The station's ledger file pushed into the fleet at url under name; from
// says where the name came from.
int Push(const Station& station, const std::string& url, const std::string& name, const std::string& from);

// The wear map: each board's 8 x 16 crosspoints coloured by their share of
// the rated life, as one self-contained HTML page. False, with the reason.
bool WriteWearMap(const std::string& file, const Station& station, const std::vector<LedgerRelay>& relays,
                  std::string& error);
int WearMap(const Station& station, const std::string& file);

}  // namespace relayledger

#endif
