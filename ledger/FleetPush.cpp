// A station's ledger file copied into a fleet, in one transaction, as often
// as wanted: a station offline for a week catches up with one push, and a PC
// with no PostgreSQL client has its file pushed from a machine that reads it.
//
// A station's file is the truth for its counts: the fleet takes a relay's
// counts from the file, unless the fleet's are newer. A relay's total only
// grows, and a replacement (which restarts the count since) only moves its
// time on: a copy whose (total, time of the last replacement) is behind the
// fleet's is an older copy, and never lowers what the fleet holds.
#include <ctime>

#include "Fleet.h"
#include "FleetStore.h"

namespace {

bool PushCounts(FleetDb& db, const std::string& station, const LedgerCopy& copy, LedgerPushed& pushed)
{
    std::vector<std::int64_t> relays;
    std::vector<std::int64_t> operations;
    std::vector<std::int64_t> totals;
    std::vector<std::int64_t> replaced;
    for (const LedgerRelay& r : copy.relays) {
        relays.push_back(r.relay);
        operations.push_back(static_cast<std::int64_t>(r.operations));
        totals.push_back(static_cast<std::int64_t>(r.total));
        replaced.push_back(r.replaced);
    }
    FleetResult taken;
    if (!db.Run("INSERT INTO relay AS r (station, relay, operations, total, replaced)"
                " SELECT $1, c.* FROM unnest($2::integer[], $3::bigint[], $4::bigint[], $5::bigint[])"
                " AS c(relay, operations, total, replaced)"
                " ON CONFLICT (station, relay) DO UPDATE"
                " SET operations = excluded.operations, total = excluded.total, replaced = excluded.replaced"
                " WHERE (excluded.total, excluded.replaced) > (r.total, r.replaced)",
                {station, FleetArray(relays), FleetArray(operations), FleetArray(totals), FleetArray(replaced)}, taken))
        return false;
    pushed.relays = static_cast<std::size_t>(taken.Changed());
    pushed.relaysKept = copy.relays.size() - pushed.relays;
    return true;
}

bool PushRecords(FleetDb& db, const std::string& station, const LedgerCopy& copy, LedgerPushed& pushed)
{
    std::vector<std::string> checksums;
    std::vector<std::int64_t> times;
    std::vector<std::string> programs;
    std::vector<std::string> judged;
    for (const LedgerCopy::Record& r : copy.records) {
        checksums.push_back(r.checksum);
        times.push_back(r.time);
        programs.push_back(r.program);
        judged.push_back(FleetHex(r.judged));
    }
    FleetResult added;
    // In the file's order, so that records of one second read back as the
    // station added them.
    if (!db.Run("INSERT INTO record(station, checksum, time, program, judged)"
                " SELECT $1, c.checksum, c.time, c.program, decode(NULLIF(c.judged, ''), 'hex')"
                " FROM unnest($2::text[], $3::bigint[], $4::text[], $5::text[]) WITH ORDINALITY"
                " AS c(checksum, time, program, judged, n) ORDER BY c.n ON CONFLICT DO NOTHING",
                {station, FleetArray(checksums), FleetArray(times), FleetArray(programs), FleetArray(judged)}, added))
        return false;
    pushed.records = copy.records.size();
    pushed.recordsNew = static_cast<std::size_t>(added.Changed());
    return true;
}

bool PushVerdicts(FleetDb& db, const std::string& station, const LedgerCopy& copy, LedgerPushed& pushed)
{
    std::vector<std::string> checksums;
    std::vector<std::int64_t> relays;
    std::vector<std::string> verdicts;
    std::vector<std::int64_t> times;
    for (const LedgerCopy::Verdict& v : copy.verdicts) {
        checksums.push_back(v.checksum);
        relays.push_back(v.relay);
        verdicts.push_back(v.verdict);
        times.push_back(v.time);
    }
    FleetResult added;
    if (!db.Run("INSERT INTO verdict(station, checksum, relay, verdict, time)"
                " SELECT $1, v.* FROM unnest($2::text[], $3::integer[], $4::text[], $5::bigint[]) AS v"
                " ON CONFLICT DO NOTHING",
                {station, FleetArray(checksums), FleetArray(relays), FleetArray(verdicts), FleetArray(times)}, added))
        return false;
    pushed.verdicts = copy.verdicts.size();
    pushed.verdictsNew = static_cast<std::size_t>(added.Changed());
    return true;
}

bool PushReplacements(FleetDb& db, const std::string& station, const LedgerCopy& copy, LedgerPushed& pushed)
{
    std::vector<std::int64_t> relays;
    std::vector<std::int64_t> times;
    std::vector<std::int64_t> nths;
    std::vector<std::int64_t> operations;
    for (const LedgerCopy::Replacement& p : copy.replacements) {
        relays.push_back(p.relay);
        times.push_back(p.time);
        nths.push_back(p.nth);
        operations.push_back(static_cast<std::int64_t>(p.operations));
    }
    FleetResult added;
    if (!db.Run("INSERT INTO replacement(station, relay, time, nth, operations)"
                " SELECT $1, p.* FROM unnest($2::integer[], $3::bigint[], $4::integer[], $5::bigint[]) AS p"
                " ON CONFLICT DO NOTHING",
                {station, FleetArray(relays), FleetArray(times), FleetArray(nths), FleetArray(operations)}, added))
        return false;
    pushed.replacements = copy.replacements.size();
    pushed.replacementsNew = static_cast<std::size_t>(added.Changed());
    return true;
}

}  // namespace

bool FleetPush(const LedgerCopy& copy, const std::string& url, const std::string& station, LedgerPushed& pushed,
               std::string& error)
{
    LedgerPushed found;
    const bool ok = InFleet(url, true, error, [&](FleetDb& db) {
        return db.AddStation(station) && PushCounts(db, station, copy, found) &&
               PushRecords(db, station, copy, found) && PushVerdicts(db, station, copy, found) &&
               PushReplacements(db, station, copy, found) &&
               db.Run("UPDATE station SET pushed = $2 WHERE name = $1",
                      {station, std::to_string(static_cast<std::int64_t>(std::time(nullptr)))});
    });
    if (ok)
        pushed = found;
    return ok;
}
