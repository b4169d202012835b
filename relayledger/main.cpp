// relayledger: reads a station's relay ledger, the operations and verdicts
// of its relays over their lives (docs/ledger.md).
//
//   relayledger [--ledger PATH] [--wiring FILE] [--html FILE] COMMAND
//
// Exit status 0 done, 1 the ledger or a file could not be read or written,
// 2 a usage error.
#include <cstdio>
#include <cstdlib>

#include "LedgerCommandLine.h"
#include "LedgerProgram.h"

namespace relayledger {
namespace {

int UsageError(const std::string& mistake)
{
    (void)std::fprintf(stderr, "relayledger: %s\n%s\n", mistake.c_str(), Synopsis);
    return 2;
}

// The relays a command names: one relay each (a number, board:row:column or
// ROW@COLUMN), or "board B".
bool RelaysNamed(const Station& station, const std::vector<std::string>& words, std::vector<int>& relays,
                 std::string& what, std::string& mistake)
{
    if (words.size() == 2 && words[0] == "board") {
        const std::string& b = words[1];
        if (b.size() != 1 || b[0] < '0' || b[0] > '7') {
            mistake = "\"" + b + "\" is not a board number 0-7";
            return false;
        }
        const int board = b[0] - '0';
        for (int r = 0; r < 128; ++r)
            relays.push_back(board * 128 + r);
        what = "board " + b;
        return true;
    }
    for (const std::string& word : words) {
        int relay = 0;
        std::string why;
        if (!ReadCrosspoint(station.wiring, word, relay, why)) {
            mistake = why;
            return false;
        }
        relays.push_back(relay);
        what += (what.empty() ? "" : ", ") + CrosspointName(station.wiring, relay);
    }
    what = relays.size() == 1 ? RelayName(station.wiring, relays.front()) : "relays " + what;
    return true;
}

std::string NamesOf(const std::vector<std::string>& names)
{
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < 10; ++i)
        list += (i > 0 ? ", " : "") + names[i];
    return names.size() > 10 ? list + ", ..." : list;
}

// In a fleet, the station a command reads or changes: --station's; for
// replaced, else this station's own (RELAYTEST_STATION, else the host name);
// for relay and the wear map, else the fleet's only station. -1 when chosen,
// else the exit status.
int ChooseStation(const Options& options, Station& station)
{
    station.fleet = LedgerIsFleet(station.ledger);
    station.shown = LedgerShown(station.ledger);
    if (!station.fleet || options.command == Command::Push) {
        if (!options.station.empty() && options.command != Command::Push)
            return UsageError("--station names a station of a fleet (postgresql://...): a ledger file is one station's");
        return -1;
    }
    station.fleetStation = options.station;
    if (!station.fleetStation.empty())
        return -1;
    if (options.command == Command::Replaced) {
        std::string from;
        station.fleetStation = LedgerDefaultStation(from);
        return station.fleetStation.empty() ? UsageError("replaced in a fleet needs --station NAME") : -1;
    }
    if (options.command != Command::Relay && options.command != Command::Html && options.html.empty())
        return -1;
    std::vector<std::string> names;
    std::string error;
    if (!LedgerStations(station.ledger, names, error))
        return Cannot(error);
    if (names.size() == 1) {
        station.fleetStation = names.front();
        return -1;
    }
    if (names.empty())
        return Cannot(station.shown + ": no station in the fleet yet");
    return UsageError(std::string(options.command == Command::Relay ? "relay" : "the wear map") +
                      " needs --station NAME: the fleet holds " + std::to_string(names.size()) + " stations (" +
                      NamesOf(names) + ")");
}

// push URL: the station's file into the fleet, under --station's name, else
// RELAYTEST_STATION's, else the host name.
int PushFile(const Options& options, const Station& station)
{
    const std::string& url = options.what.front();
    if (station.fleet)
        return UsageError("push copies a station's ledger file into a fleet: --ledger names a fleet, " + station.shown);
    if (!LedgerIsFleet(url))
        return UsageError("push needs the fleet's URL (postgresql://... or postgres://...), not \"" + url + "\"");
    std::string from = "--station";
    std::string name = options.station;
    if (name.empty())
        name = LedgerDefaultStation(from);
    if (name.empty())
        return UsageError("push needs --station NAME: this machine has no host name");
    return Push(station, url, name, from);
}

int Run(const Options& options, Station& station)
{
    const int chosen = ChooseStation(options, station);
    if (chosen >= 0)
        return chosen;
    std::vector<int> relays;
    std::string what;
    std::string mistake;
    const bool names = options.command == Command::Relay || options.command == Command::Replaced;
    if (names && !RelaysNamed(station, options.what, relays, what, mistake))
        return UsageError(mistake);
    int status = 0;
    switch (options.command) {
    case Command::Top: status = Top(station, options.count); break;
    case Command::Relay: status = RelayReport(station, relays.front()); break;
    case Command::Failing: status = Failing(station, options.count); break;
    case Command::Replaced: status = Replaced(station, relays, what); break;
    case Command::Export: status = Export(station, options.json); break;
    case Command::Html: break;
    case Command::Push: status = PushFile(options, station); break;
    }
    if (status == 0 && !options.html.empty())
        status = WearMap(station, options.html);
    return status;
}

}  // namespace
}  // namespace relayledger

int main(int argc, char** argv)
{
    using namespace relayledger;
    Options options;
    switch (ReadCommandLine(argc, argv, options)) {
    case Parsed::Done: return 0;
    case Parsed::Usage: return 2;
    case Parsed::Run: break;
    }
    // A station names its ledger and its wiring once, machine-wide.
    const char* ledger = std::getenv("RELAYTEST_LEDGER");
    const char* wiring = std::getenv("RELAYTEST_WIRING");
    Station station;
    station.ledger = !options.ledger.empty() ? options.ledger : ledger != nullptr ? ledger : "";
    if (station.ledger.empty())
        return UsageError("no ledger named: give --ledger PATH, or set RELAYTEST_LEDGER");
    const std::string wiringFile = !options.wiring.empty() ? options.wiring : wiring != nullptr ? wiring : "";
    station.wiring = EmptyWiring();
    std::string error;
    if (!wiringFile.empty() && !LoadWiring(wiringFile, station.wiring, error)) {
        (void)std::fprintf(stderr, "relayledger: %s\n", error.c_str());
        return 1;
    }
    station.wired = !wiringFile.empty();
    if (station.wiring.ratedOperations != 0)
        station.rated = station.wiring.ratedOperations;
    return Run(options, station);
}
