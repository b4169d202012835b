// The answers relayledger prints: the most worn relays, one relay's life,
// the relays that keep failing, replacements, and the export.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "LedgerProgram.h"

namespace relayledger {

int Cannot(const std::string& error)
{
    (void)std::fprintf(stderr, "relayledger: %s\n", error.c_str());
    return 1;
}

std::string Plural(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool EveryStation(const Station& station) { return station.fleet && station.fleetStation.empty(); }

int StationWidth(const std::vector<LedgerRelay>& relays)
{
    std::size_t width = 7;  // "station"
    for (const LedgerRelay& r : relays)
        width = std::max(width, r.station.size());
    return static_cast<int>(width);
}

namespace {

// ", station bench-1" or ", every station" after a fleet's URL; "" for a file.
std::string Scope(const Station& station)
{
    if (!station.fleet)
        return {};
    return station.fleetStation.empty() ? ", every station" : ", station " + station.fleetStation;
}

// Time in the export's form: "2026-12-09T21:40:00Z", "" for never.
std::string IsoTime(std::int64_t time)
{
    if (time == 0)
        return {};
    const std::time_t t = static_cast<std::time_t>(time);
    const std::tm* utc = std::gmtime(&t);
    char text[32] = "";
    if (utc == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", utc) == 0)
        return std::to_string(time);
    return text;
}

// One line of a relay's history: a run of equal verdicts, or a replacement.
void PrintRun(const std::vector<LedgerEvent>& events, std::size_t first, std::size_t last)
{
    const LedgerEvent& e = events[first];
    if (e.replacement) {
        std::printf("  %s  replaced, after %" PRIu64 " operations\n", TimeText(e.time).c_str(), e.operations);
        return;
    }
    const std::size_t sweeps = last - first + 1;
    if (sweeps == 1) {
        std::printf("  %s  %s (%s, record %s)\n", TimeText(e.time).c_str(), e.verdict.c_str(),
                    e.program.empty() ? "unknown program" : e.program.c_str(), e.checksum.c_str());
        return;
    }
    std::printf("  %s to %s  %s in %zu sweeps\n", TimeText(e.time).c_str(), TimeText(events[last].time).c_str(),
                e.verdict.c_str(), sweeps);
}

// A station's name as a CSV field, and as a JSON string's contents.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string JsonText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

// One relay's line of the export; named: the station first.
void PrintRow(const Station& station, const LedgerRelay& r, bool json, bool named, bool last)
{
    const int board = WiringBoardOf(r.relay);
    const int row = WiringRowOf(r.relay);
    const int column = WiringColumnOf(r.relay);
    const double share = SharePercent(station, r.operations);
    const std::string replaced = IsoTime(r.replaced);
    const std::string first = IsoTime(r.firstFault);
    const std::string lastFault = IsoTime(r.lastFault);
    if (!json) {
        std::printf("%s%d,%d,%d,%d,%" PRIu64 ",%.6f,%" PRIu64 ",%d,%s,%" PRIu32 ",%s,%s\n",
                    named ? (CsvField(r.station) + ",").c_str() : "", r.relay, board, row, column, r.operations, share,
                    r.total, r.replacements, replaced.c_str(), r.faults, first.c_str(), lastFault.c_str());
        return;
    }
    std::printf("  {%s\"relay\": %d, \"board\": %d, \"row\": %d, \"column\": %d, \"operations\": %" PRIu64
                ", \"rated-life-percent\": %.6f, \"total\": %" PRIu64 ", \"replacements\": %d, \"replaced\": \"%s\", "
                "\"faults\": %" PRIu32 ", \"first-fault\": \"%s\", \"last-fault\": \"%s\"}%s\n",
                named ? ("\"station\": \"" + JsonText(r.station) + "\", ").c_str() : "", r.relay, board, row, column,
                r.operations, share, r.total, r.replacements, replaced.c_str(), r.faults, first.c_str(),
                lastFault.c_str(), last ? "" : ",");
}

}  // namespace

std::string TimeText(std::int64_t time)
{
    std::string iso = IsoTime(time);
    if (iso.size() != 20)
        return iso.empty() ? "-" : iso;
    return iso.substr(0, 10) + " " + iso.substr(11, 8) + " UTC";
}

double SharePercent(const Station& station, std::uint64_t operations)
{
    return 100.0 * static_cast<double>(operations) / static_cast<double>(station.rated);
}

std::string RatedText(const Station& station)
{
    const std::string from = station.wiring.ratedOperations != 0 ? "rated-operations, " + station.wiring.shown : "default";
    return std::to_string(station.rated) + " operations (" + from + ")";
}

int Top(const Station& station, int n)
{
    std::vector<LedgerRelay> top;
    std::string error;
    if (!LedgerTop(station.ledger, static_cast<std::size_t>(n), top, error, station.fleetStation))
        return Cannot(error);
    std::printf("Ledger: %s%s, rated life %s\n", station.shown.c_str(), Scope(station).c_str(),
                RatedText(station).c_str());
    if (top.empty() || top.front().operations == 0) {
        std::printf("No relay has an operation counted yet.\n");
        return 0;
    }
    // A fleet read whole: each line names its station first.
    const bool named = EveryStation(station);
    const int width = StationWidth(top);
    if (named)
        std::printf("%-*s  ", width, "station");
    std::printf("%5s  %-24s %12s %11s %7s  %s\n", "relay", "crosspoint", "operations", "rated life", "faults",
                "last fault");
    for (const LedgerRelay& r : top) {
        if (r.operations == 0)
            break;
        if (named)
            std::printf("%-*s  ", width, r.station.c_str());
        std::printf("%5d  %-24s %12" PRIu64 " %10.3f%% %7" PRIu32 "  %s\n", r.relay,
                    CrosspointName(station.wiring, r.relay).c_str(), r.operations, SharePercent(station, r.operations),
                    r.faults, TimeText(r.lastFault).c_str());
    }
    return 0;
}

int RelayReport(const Station& station, int relay)
{
    LedgerRelay r;
    std::vector<LedgerEvent> events;
    std::string error;
    if (!LedgerRelayHistory(station.ledger, relay, r, events, error, station.fleetStation))
        return Cannot(error);
    std::printf("%s%s\n", RelayName(station.wiring, relay).c_str(),
                station.fleet ? (" of station " + station.fleetStation).c_str() : "");
    std::printf("operations: %" PRIu64 ", %.3f%% of a rated life of %s", r.operations, SharePercent(station, r.operations),
                RatedText(station).c_str());
    if (r.replacements > 0)
        std::printf(", since it was replaced on %s; %" PRIu64 " in all at its place, %s", TimeText(r.replaced).c_str(),
                    r.total, Plural(static_cast<std::uint64_t>(r.replacements), "replacement", "replacements").c_str());
    std::printf("\n");
    if (r.faults == 0)
        std::printf("faults: none seen\n");
    else
        std::printf("faults: %s; first seen %s, last seen %s\n", Plural(r.faults, "sweep", "sweeps").c_str(),
                    TimeText(r.firstFault).c_str(), TimeText(r.lastFault).c_str());
    if (events.empty()) {
        std::printf("history: no sweep judged it, never replaced\n");
        return 0;
    }
    std::printf("history:\n");
    for (std::size_t first = 0; first < events.size();) {
        std::size_t last = first;
        while (!events[first].replacement && last + 1 < events.size() && !events[last + 1].replacement &&
               events[last + 1].verdict == events[first].verdict)
            ++last;
        PrintRun(events, first, last);
        first = last + 1;
    }
    return 0;
}

int Failing(const Station& station, int last)
{
    std::vector<LedgerFailing> failing;
    int sweeps = 0;
    std::string error;
    if (EveryStation(station))
        return FailingAcross(station, last);
    if (!LedgerFailingIn(station.ledger, last, failing, sweeps, error, station.fleetStation))
        return Cannot(error);
    const std::string of = station.fleet ? " of station " + station.fleetStation : "";
    if (sweeps == 0) {
        std::printf("No sweep%s in the ledger %s.\n", of.c_str(), station.shown.c_str());
        return 0;
    }
    std::printf("The last %s%s in %s:\n", Plural(static_cast<std::uint64_t>(sweeps), "sweep", "sweeps").c_str(),
                of.c_str(), station.shown.c_str());
    if (failing.empty()) {
        std::printf("No relay was found faulty.\n");
        return 0;
    }
    for (const LedgerFailing& f : failing)
        std::printf("%5d  %-24s faulty in %d of %d\n", f.relay, CrosspointName(station.wiring, f.relay).c_str(),
                    f.faulty, f.judged);
    return 0;
}

int Replaced(const Station& station, const std::vector<int>& relays, const std::string& what)
{
    std::vector<LedgerRelay> before;
    std::string error;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (!LedgerReadRelays(station.ledger, before, error, station.fleetStation) ||
        !LedgerReplace(station.ledger, relays, now, error, station.fleetStation))
        return Cannot(error);
    std::uint64_t ended = 0;
    for (const int r : relays)
        ended += before[static_cast<std::size_t>(r)].operations;
    std::printf("%s%s replaced on %s: %s kept in the history, the count starts again from 0\n", what.c_str(),
                station.fleet ? (" of station " + station.fleetStation).c_str() : "", TimeText(now).c_str(),
                Plural(ended, "operation", "operations").c_str());
    return 0;
}

int Export(const Station& station, bool json)
{
    std::vector<LedgerRelay> relays;
    std::string error;
    if (!LedgerReadRelays(station.ledger, relays, error, station.fleetStation))
        return Cannot(error);
    const bool named = EveryStation(station);
    if (json)
        std::printf("{\"rated-operations\": %" PRIu64 ", \"relays\": [\n", station.rated);
    else
        std::printf("%srelay,board,row,column,operations,rated_life_percent,total,replacements,replaced,faults,"
                    "first_fault,last_fault\n", named ? "station," : "");
    for (std::size_t i = 0; i < relays.size(); ++i)
        PrintRow(station, relays[i], json, named, i + 1 == relays.size());
    if (json)
        std::printf("]}\n");
    return 0;
}

}  // namespace relayledger
