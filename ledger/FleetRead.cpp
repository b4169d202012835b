// Reading a fleet back, one station or every station: the relays' counts and
// faults, the most worn, one relay's history, and the relays that keep failing.
#include <algorithm>
#include <functional>
#include <map>

#include "Fleet.h"
#include "FleetStore.h"

namespace {

// Where a relay of a station is among those read; nullptr when it is not.
using Place = std::function<LedgerRelay*(const std::string& station, std::int64_t relay)>;

LedgerRelay Counts(const FleetResult& rows, int row)
{
    LedgerRelay r;
    r.station = rows.Text(row, 0);
    r.relay = static_cast<int>(std::clamp<std::int64_t>(rows.Int(row, 1), 0, LedgerRelays - 1));
    r.operations = static_cast<std::uint64_t>(rows.Int(row, 2));
    r.total = static_cast<std::uint64_t>(rows.Int(row, 3));
    r.replaced = rows.Int(row, 4);
    return r;
}

// Each relay's replacements and the sweeps that found it faulty, for the
// relays read (of station, or of every station when "").
bool AddHistory(FleetDb& db, const std::string& station, const Place& at)
{
    FleetResult replaced;
    FleetResult faults;
    if (!db.Run("SELECT station, relay, count(*) FROM replacement WHERE $1 = '' OR station = $1"
                " GROUP BY station, relay",
                {station}, replaced) ||
        !db.Run("SELECT station, relay, count(*), min(time), max(time) FROM verdict"
                " WHERE verdict IN " LEDGER_FAULT_VERDICTS " AND ($1 = '' OR station = $1) GROUP BY station, relay",
                {station}, faults))
        return false;
    for (int row = 0; row < replaced.Rows(); ++row) {
        if (LedgerRelay* r = at(replaced.Text(row, 0), replaced.Int(row, 1)))
            r->replacements = static_cast<int>(replaced.Int(row, 2));
    }
    for (int row = 0; row < faults.Rows(); ++row) {
        if (LedgerRelay* r = at(faults.Text(row, 0), faults.Int(row, 1))) {
            r->faults = static_cast<std::uint32_t>(faults.Int(row, 2));
            r->firstFault = faults.Int(row, 3);
            r->lastFault = faults.Int(row, 4);
        }
    }
    return true;
}

// The stations a reading covers: the one named (which must be there), or all.
bool Covered(FleetDb& db, const std::string& station, std::vector<std::string>& names)
{
    if (station.empty())
        return db.Stations(names);
    names.assign(1, {});
    return db.OneStation(station, names.front());
}

bool ReadAll(FleetDb& db, const std::string& station, std::vector<LedgerRelay>& relays)
{
    std::vector<std::string> names;
    if (!Covered(db, station, names))
        return false;
    std::map<std::string, std::size_t> first;
    relays.assign(names.size() * LedgerRelays, LedgerRelay{});
    for (std::size_t s = 0; s < names.size(); ++s) {
        first[names[s]] = s * LedgerRelays;
        for (int r = 0; r < LedgerRelays; ++r) {
            relays[s * LedgerRelays + static_cast<std::size_t>(r)].station = names[s];
            relays[s * LedgerRelays + static_cast<std::size_t>(r)].relay = r;
        }
    }
    const Place at = [&](const std::string& name, std::int64_t relay) -> LedgerRelay* {
        const auto found = first.find(name);
        if (found == first.end() || relay < 0 || relay >= LedgerRelays)
            return nullptr;
        return &relays[found->second + static_cast<std::size_t>(relay)];
    };
    FleetResult counts;
    if (!db.Run("SELECT station, relay, operations, total, replaced FROM relay WHERE $1 = '' OR station = $1",
                {station}, counts))
        return false;
    for (int row = 0; row < counts.Rows(); ++row) {
        if (LedgerRelay* r = at(counts.Text(row, 0), counts.Int(row, 1)))
            *r = Counts(counts, row);
    }
    return AddHistory(db, station, at);
}

}  // namespace

bool FleetReadRelays(const std::string& url, const std::string& station, std::vector<LedgerRelay>& relays,
                     std::string& error)
{
    return InFleet(url, false, error, [&](FleetDb& db) { return ReadAll(db, station, relays); });
}

bool FleetTop(const std::string& url, const std::string& station, std::size_t n, std::vector<LedgerRelay>& top,
              std::string& error)
{
    top.clear();
    return InFleet(url, false, error, [&](FleetDb& db) {
        std::vector<std::string> names;
        FleetResult rows;
        if (!Covered(db, station, names) ||
            !db.Run("SELECT station, relay, operations, total, replaced FROM relay"
                    " WHERE ($1 = '' OR station = $1) AND operations > 0"
                    " ORDER BY operations DESC, station, relay LIMIT $2",
                    {station, std::to_string(n)}, rows))
            return false;
        for (int row = 0; row < rows.Rows(); ++row)
            top.push_back(Counts(rows, row));
        return AddHistory(db, station, [&](const std::string& name, std::int64_t relay) -> LedgerRelay* {
            const auto found = std::find_if(top.begin(), top.end(), [&](const LedgerRelay& r) {
                return r.relay == relay && r.station == name;
            });
            return found != top.end() ? &*found : nullptr;
        });
    });
}

bool FleetRelayHistory(const std::string& url, const std::string& station, int relay, LedgerRelay& summary,
                       std::vector<LedgerEvent>& events, std::string& error)
{
    events.clear();
    return InFleet(url, false, error, [&](FleetDb& db) {
        std::string name;
        std::vector<LedgerRelay> relays;
        FleetResult sweeps;
        FleetResult changes;
        const std::string number = std::to_string(relay);
        if (!db.OneStation(station, name) || !ReadAll(db, name, relays) ||
            !db.Run("SELECT c.time, c.program, c.checksum, v.verdict FROM record c"
                    " LEFT JOIN verdict v ON v.station = c.station AND v.checksum = c.checksum AND v.relay = $2::integer"
                    " WHERE c.station = $1 AND c.judged IS NOT NULL AND CASE WHEN length(c.judged) * 8 > $2::integer"
                    " THEN get_bit(c.judged, $2::integer) = 1 ELSE false END ORDER BY c.time, c.id",
                    {name, number}, sweeps) ||
            !db.Run("SELECT time, operations FROM replacement WHERE station = $1 AND relay = $2 ORDER BY time, nth",
                    {name, number}, changes))
            return false;
        summary = relays[static_cast<std::size_t>(relay)];
        for (int row = 0; row < sweeps.Rows(); ++row)
            events.push_back({sweeps.Int(row, 0), false, sweeps.IsNull(row, 3) ? "functional" : sweeps.Text(row, 3),
                              sweeps.Text(row, 1), sweeps.Text(row, 2), 0});
        std::vector<LedgerEvent> replacements;
        replacements.reserve(static_cast<std::size_t>(changes.Rows()));
        for (int row = 0; row < changes.Rows(); ++row)
            replacements.push_back({changes.Int(row, 0), true, "", "", "", static_cast<std::uint64_t>(changes.Int(row, 1))});
        LedgerMergeHistory(events, replacements);
        return true;
    });
}

bool FleetFailingIn(const std::string& url, const std::string& station, int last, std::vector<LedgerFailing>& failing,
                    int& sweeps, std::string& error)
{
    return InFleet(url, false, error, [&](FleetDb& db) {
        std::string name;
        FleetResult since;
        FleetResult looked;
        if (!db.OneStation(station, name) ||
            !db.Run("SELECT relay, replaced FROM relay WHERE station = $1", {name}, since) ||
            !db.Run("SELECT checksum, time, encode(judged, 'hex') FROM record WHERE station = $1"
                    " AND judged IS NOT NULL ORDER BY time DESC, id DESC LIMIT $2",
                    {name, std::to_string(std::max(last, 0))}, looked))
            return false;
        std::vector<std::int64_t> replaced(LedgerRelays, 0);
        for (int row = 0; row < since.Rows(); ++row)
            replaced[static_cast<std::size_t>(std::clamp<std::int64_t>(since.Int(row, 0), 0, LedgerRelays - 1))] =
                since.Int(row, 1);
        std::vector<LedgerSweep> found;
        std::vector<std::string> checksums;
        std::map<std::string, std::size_t> index;
        for (int row = 0; row < looked.Rows(); ++row) {
            index[looked.Text(row, 0)] = found.size();
            checksums.push_back(looked.Text(row, 0));
            found.push_back({looked.Int(row, 1), FleetUnhex(looked.Text(row, 2)), {}});
        }
        FleetResult verdicts;
        if (!db.Run("SELECT checksum, relay, verdict FROM verdict WHERE station = $1 AND checksum = ANY($2::text[])"
                    " ORDER BY checksum, relay",
                    {name, FleetArray(checksums)}, verdicts))
            return false;
        for (int row = 0; row < verdicts.Rows(); ++row)
            found[index[verdicts.Text(row, 0)]].verdicts.emplace_back(static_cast<int>(verdicts.Int(row, 1)),
                                                                       verdicts.Text(row, 2));
        sweeps = static_cast<int>(found.size());
        LedgerTally(replaced, found, failing);
        return true;
    });
}
