// What the programs, relaylog and a push add to a fleet: each call one
// transaction, all of it or nothing. Counts are added by the database
// (operations = operations + n) under each row's lock, so writers at once
// lose nothing; every row added has a key, so a row added twice is stored once.
#include <limits>

#include "Fleet.h"
#include "FleetStore.h"

namespace {

// Adds n[i] closes to relays[i] of station: to the count since the last
// replacement only when it was made after that (at time), to the total always.
const char* const AddCounts =
    "INSERT INTO relay AS r (station, relay, operations, total)"
    " SELECT $1, c.relay, c.n, c.n FROM unnest($2::integer[], $3::bigint[]) AS c(relay, n)"
    " ON CONFLICT (station, relay) DO UPDATE"
    " SET operations = r.operations + CASE WHEN r.replaced <= $4::bigint THEN excluded.operations ELSE 0 END,"
    " total = r.total + excluded.total";

// This station's name, as the programs write under it.
std::string ThisStation()
{
    std::string from;
    return LedgerDefaultStation(from);
}

bool AddCloses(FleetDb& db, const std::string& station, const std::uint32_t* closes, std::int64_t time)
{
    std::vector<std::int64_t> relays;
    std::vector<std::int64_t> counts;
    for (int r = 0; r < LedgerRelays; ++r) {
        if (closes[r] != 0) {
            relays.push_back(r);
            counts.push_back(closes[r]);
        }
    }
    return relays.empty() ||
           db.Run(AddCounts, {station, FleetArray(relays), FleetArray(counts), std::to_string(time)});
}

// Adds one record; isNew is false when the station has it already.
bool AddRecord(FleetDb& db, const std::string& station, const LedgerRecord& record, bool& isNew)
{
    if (record.checksum.empty())
        return db.Fail("a record needs its checksum");
    FleetResult added;
    if (!db.Run("INSERT INTO record(station, checksum, time, program, judged)"
                " VALUES ($1, $2, $3, $4, decode(NULLIF($5, ''), 'hex')) ON CONFLICT DO NOTHING",
                {station, record.checksum, std::to_string(record.time), record.program,
                 FleetHex(LedgerJudgedBits(record))},
                added))
        return false;
    isNew = added.Changed() > 0;
    if (!isNew)
        return true;
    std::vector<std::int64_t> relays;
    std::vector<std::string> verdicts;
    for (int r = 0; r < LedgerRelays; ++r) {
        const std::string& text = record.verdicts[static_cast<std::size_t>(r)];
        if (!text.empty() && text != "functional") {
            relays.push_back(r);
            verdicts.push_back(text);
        }
    }
    if (!relays.empty() &&
        !db.Run("INSERT INTO verdict(station, checksum, relay, verdict, time)"
                " SELECT $1, $2, v.relay, v.verdict, $5 FROM unnest($3::integer[], $4::text[]) AS v(relay, verdict)",
                {station, record.checksum, FleetArray(relays), FleetArray(verdicts), std::to_string(record.time)}))
        return false;
    return !record.hasCloses || AddCloses(db, station, record.closes.data(), record.time);
}

}  // namespace

bool FleetAddCloses(const std::string& url, const std::uint32_t (&closes)[1024], std::string& error)
{
    const std::string station = ThisStation();
    return InFleet(url, true, error, [&](FleetDb& db) {
        return db.AddStation(station) && AddCloses(db, station, closes, std::numeric_limits<std::int64_t>::max());
    });
}

bool FleetAddRecords(const std::string& url, const std::vector<LedgerRecord>& records, std::size_t& added,
                     std::string& error)
{
    const std::string station = ThisStation();
    std::size_t count = 0;
    const bool ok = InFleet(url, true, error, [&](FleetDb& db) {
        if (!db.AddStation(station))
            return false;
        for (const LedgerRecord& record : records) {
            bool isNew = false;
            if (!AddRecord(db, station, record, isNew))
                return false;
            count += isNew ? 1 : 0;
        }
        return true;
    });
    added = ok ? count : 0;
    return ok;
}

bool FleetReplace(const std::string& url, const std::string& station, const std::vector<int>& relays,
                  std::int64_t time, std::string& error)
{
    const std::string named = station.empty() ? ThisStation() : station;
    return InFleet(url, true, error, [&](FleetDb& db) {
        std::string name;
        if (!db.OneStation(named, name))
            return false;
        std::vector<std::int64_t> numbers;
        for (const int r : relays) {
            if (r < 0 || r >= LedgerRelays)
                return db.Fail("relay " + std::to_string(r) + " is outside 0-1023");
            numbers.push_back(r);
        }
        const std::vector<std::string> p{name, FleetArray(numbers), std::to_string(time)};
        // The relays' rows held from their counts being read until they
        // restart: a count added meanwhile waits, and lands after.
        return db.Run("INSERT INTO relay(station, relay) SELECT $1, unnest($2::integer[]) ON CONFLICT DO NOTHING",
                      {name, p[1]}) &&
               db.Run("SELECT relay FROM relay WHERE station = $1 AND relay = ANY($2::integer[]) ORDER BY relay"
                      " FOR UPDATE",
                      {name, p[1]}) &&
               db.Run("INSERT INTO replacement(station, relay, time, nth, operations)"
                      " SELECT $1, r.relay, $3, (SELECT count(*) FROM replacement p WHERE p.station = $1"
                      " AND p.relay = r.relay AND p.time = $3), r.operations"
                      " FROM relay r WHERE r.station = $1 AND r.relay = ANY($2::integer[])",
                      p) &&
               db.Run("UPDATE relay SET operations = 0, replaced = $3 WHERE station = $1 AND relay = ANY($2::integer[])",
                      p);
    });
}

bool FleetStations(const std::string& url, std::vector<std::string>& stations, std::string& error)
{
    return InFleet(url, false, error, [&](FleetDb& db) { return db.Stations(stations); });
}
