// relayledger's answers that only a fleet has: the failing relays of every
// station, and a station's file pushed into a fleet.
#include <algorithm>
#include <cstdio>

#include "LedgerProgram.h"

namespace relayledger {

int FailingAcross(const Station& station, int last)
{
    std::vector<std::string> names;
    std::string error;
    if (!LedgerStations(station.ledger, names, error))
        return Cannot(error);
    std::vector<LedgerRelay> named;  // the station and relay of each line
    std::vector<LedgerFailing> lines;
    std::string counted;
    for (const std::string& name : names) {
        std::vector<LedgerFailing> failing;
        int sweeps = 0;
        if (!LedgerFailingIn(station.ledger, last, failing, sweeps, error, name))
            return Cannot(error);
        if (sweeps > 0)
            counted += (counted.empty() ? "" : ", ") + name + " " + std::to_string(sweeps);
        for (const LedgerFailing& f : failing) {
            LedgerRelay r;
            r.station = name;
            named.push_back(r);
            lines.push_back(f);
        }
    }
    if (counted.empty()) {
        std::printf("No sweep in the ledger %s.\n", station.shown.c_str());
        return 0;
    }
    std::printf("The last sweeps in %s, every station (up to %d each): %s\n", station.shown.c_str(), last,
                counted.c_str());
    if (lines.empty()) {
        std::printf("No relay was found faulty.\n");
        return 0;
    }
    const int width = StationWidth(named);
    for (std::size_t i = 0; i < lines.size(); ++i)
        std::printf("%-*s  %5d  %-24s faulty in %d of %d\n", width, named[i].station.c_str(), lines[i].relay,
                    CrosspointName(station.wiring, lines[i].relay).c_str(), lines[i].faulty, lines[i].judged);
    return 0;
}

int Push(const Station& station, const std::string& url, const std::string& name, const std::string& from)
{
    std::printf("Pushing %s to %s as station %s (%s)\n", station.shown.c_str(), LedgerShown(url).c_str(),
                name.c_str(), from.c_str());
    (void)std::fflush(stdout);
    LedgerPushed pushed;
    std::string error;
    if (!LedgerPush(station.ledger, url, name, pushed, error))
        return Cannot(error);
    std::printf("counts: %zu relays taken from the file, %zu as the fleet had them or newer\n", pushed.relays,
                pushed.relaysKept);
    std::printf("records: %zu new of %zu; verdicts: %zu new of %zu; replacements: %zu new of %zu\n",
                pushed.recordsNew, pushed.records, pushed.verdictsNew, pushed.verdicts, pushed.replacementsNew,
                pushed.replacements);
    return 0;
}

}  // namespace relayledger
