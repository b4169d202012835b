// Reading a ledger back: the relays' counts and faults, one relay's history,
// and the relays that keep failing.
#include <algorithm>
#include <exception>
#include <map>

#include "Fleet.h"
#include "Ledger.h"
#include "LedgerShared.h"
#include "LedgerStore.h"

namespace {

// Runs a reading on the ledger at path, which must exist; what is thrown
// (out of memory) is the call's failure.
template <typename Work>
bool Reading(const std::string& path, std::string& error, Work work)
{
    try {
        LedgerDb db(path, error);
        return db.Open(false) && work(db);
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    } catch (...) {
        error = path + ": cannot read the ledger";
    }
    return false;
}

// Reads the rows of a statement with read(statement) for each; false on a failure.
template <typename Read>
bool EachRow(LedgerStatement& s, Read read)
{
    bool done = false;
    if (!s.Ok())
        return false;
    while (s.Step(done))
        read(s);
    return done;
}

bool ReadRelays(LedgerDb& db, std::vector<LedgerRelay>& relays)
{
    relays.assign(LedgerRelays, LedgerRelay{});
    for (int r = 0; r < LedgerRelays; ++r)
        relays[static_cast<std::size_t>(r)].relay = r;
    const auto at = [&](const LedgerStatement& s) -> LedgerRelay& {
        return relays[static_cast<std::size_t>(std::clamp<std::int64_t>(s.Int(0), 0, LedgerRelays - 1))];
    };
    LedgerStatement counts(db, "SELECT relay, operations, total, replaced FROM relay");
    LedgerStatement replaced(db, "SELECT relay, count(*) FROM replacement GROUP BY relay");
    LedgerStatement faults(db, "SELECT v.relay, count(*), min(r.time), max(r.time) FROM verdict v"
                               " JOIN record r ON r.id = v.record"
                               " WHERE v.verdict IN " LEDGER_FAULT_VERDICTS " GROUP BY v.relay");
    return EachRow(counts, [&](const LedgerStatement& s) {
               LedgerRelay& relay = at(s);
               relay.operations = static_cast<std::uint64_t>(s.Int(1));
               relay.total = static_cast<std::uint64_t>(s.Int(2));
               relay.replaced = s.Int(3);
           }) &&
           EachRow(replaced, [&](const LedgerStatement& s) { at(s).replacements = static_cast<int>(s.Int(1)); }) &&
           EachRow(faults, [&](const LedgerStatement& s) {
               LedgerRelay& relay = at(s);
               relay.faults = static_cast<std::uint32_t>(s.Int(1));
               relay.firstFault = s.Int(2);
               relay.lastFault = s.Int(3);
           });
}

}  // namespace

bool LedgerReadRelays(const std::string& path, std::vector<LedgerRelay>& relays, std::string& error,
                      const std::string& station)
{
    if (LedgerIsFleet(path))
        return FleetReadRelays(path, station, relays, error);
    return Reading(path, error, [&](LedgerDb& db) { return ReadRelays(db, relays); });
}

bool LedgerTop(const std::string& path, std::size_t n, std::vector<LedgerRelay>& top, std::string& error,
               const std::string& station)
{
    if (LedgerIsFleet(path))
        return FleetTop(path, station, n, top, error);
    return Reading(path, error, [&](LedgerDb& db) {
        if (!ReadRelays(db, top))
            return false;
        const auto most = top.begin() + static_cast<std::ptrdiff_t>(std::min(n, top.size()));
        std::partial_sort(top.begin(), most, top.end(), [](const LedgerRelay& a, const LedgerRelay& b) {
            return a.operations != b.operations ? a.operations > b.operations : a.relay < b.relay;
        });
        top.erase(most, top.end());
        return true;
    });
}

bool LedgerRelayHistory(const std::string& path, int relay, LedgerRelay& summary, std::vector<LedgerEvent>& events,
                        std::string& error, const std::string& station)
{
    if (relay < 0 || relay >= LedgerRelays) {
        error = LedgerShown(path) + ": relay " + std::to_string(relay) + " is outside 0-1023";
        return false;
    }
    if (LedgerIsFleet(path))
        return FleetRelayHistory(path, station, relay, summary, events, error);
    events.clear();
    return Reading(path, error, [&](LedgerDb& db) {
        std::vector<LedgerRelay> relays;
        if (!ReadRelays(db, relays))
            return false;
        summary = relays[static_cast<std::size_t>(relay)];
        LedgerStatement sweeps(db, "SELECT r.time, r.program, r.checksum, r.judged, v.verdict FROM record r"
                                   " LEFT JOIN verdict v ON v.record = r.id AND v.relay = ?1"
                                   " WHERE r.judged IS NOT NULL ORDER BY r.time, r.id");
        LedgerStatement changes(db, "SELECT time, operations FROM replacement WHERE relay = ?1 ORDER BY time, id");
        sweeps.Bind(1, relay);
        changes.Bind(1, relay);
        std::vector<LedgerEvent> replacements;
        const bool read = EachRow(sweeps, [&](const LedgerStatement& s) {
            if (LedgerJudged(s.Blob(3), relay))
                events.push_back({s.Int(0), false, s.IsNull(4) ? "functional" : s.Text(4), s.Text(1), s.Text(2), 0});
        }) && EachRow(changes, [&](const LedgerStatement& s) {
            replacements.push_back({s.Int(0), true, "", "", "", static_cast<std::uint64_t>(s.Int(1))});
        });
        LedgerMergeHistory(events, replacements);
        return read;
    });
}

bool LedgerFailingIn(const std::string& path, int last, std::vector<LedgerFailing>& failing, int& sweeps,
                     std::string& error, const std::string& station)
{
    failing.clear();
    sweeps = 0;
    if (LedgerIsFleet(path))
        return FleetFailingIn(path, station, last, failing, sweeps, error);
    return Reading(path, error, [&](LedgerDb& db) {
        std::vector<std::int64_t> replaced(LedgerRelays, 0);
        LedgerStatement since(db, "SELECT relay, replaced FROM relay");
        LedgerStatement lastSweeps(db, "SELECT id, time, judged FROM record WHERE judged IS NOT NULL"
                                       " ORDER BY time DESC, id DESC LIMIT ?1");
        LedgerStatement faults(db, "SELECT relay, verdict FROM verdict WHERE record = ?1");
        lastSweeps.Bind(1, std::max(last, 0));
        bool ok = EachRow(since, [&](const LedgerStatement& s) {
            replaced[static_cast<std::size_t>(std::clamp<std::int64_t>(s.Int(0), 0, LedgerRelays - 1))] = s.Int(1);
        });
        std::vector<std::int64_t> ids;
        std::vector<LedgerSweep> looked;
        ok = ok && EachRow(lastSweeps, [&](const LedgerStatement& s) {
            ids.push_back(s.Int(0));
            looked.push_back({s.Int(1), s.Blob(2), {}});
        });
        for (std::size_t i = 0; ok && i < looked.size(); ++i) {
            faults.Bind(1, ids[i]);
            ok = EachRow(faults, [&](const LedgerStatement& s) {
                looked[i].verdicts.emplace_back(static_cast<int>(std::clamp<std::int64_t>(s.Int(0), 0, LedgerRelays - 1)),
                                                s.Text(1));
            });
            faults.Reset();
        }
        sweeps = static_cast<int>(looked.size());
        LedgerTally(replaced, looked, failing);
        return ok;
    });
}

bool LedgerReadCopy(const std::string& path, LedgerCopy& copy, std::string& error)
{
    return Reading(path, error, [&](LedgerDb& db) {
        // One reading: what another program adds meanwhile waits for the next push.
        if (!db.Exec("BEGIN") || !ReadRelays(db, copy.relays))
            return false;
        LedgerStatement records(db, "SELECT checksum, time, program, judged FROM record ORDER BY id");
        LedgerStatement verdicts(db, "SELECT r.checksum, v.relay, v.verdict, r.time FROM verdict v"
                                     " JOIN record r ON r.id = v.record ORDER BY v.record, v.relay");
        LedgerStatement replacements(db, "SELECT relay, time, operations FROM replacement ORDER BY relay, time, id");
        return EachRow(records, [&](const LedgerStatement& s) {
                   copy.records.push_back({s.Text(0), s.Int(1), s.Text(2), s.Blob(3)});
               }) &&
               EachRow(verdicts, [&](const LedgerStatement& s) {
                   copy.verdicts.push_back({s.Text(0), static_cast<int>(s.Int(1)), s.Text(2), s.Int(3)});
               }) &&
               EachRow(replacements, [&](const LedgerStatement& s) {
                   LedgerCopy::Replacement p{static_cast<int>(s.Int(0)), s.Int(1), 0, static_cast<std::uint64_t>(s.Int(2))};
                   const auto& before = copy.replacements;
                   if (!before.empty() && before.back().relay == p.relay && before.back().time == p.time)
                       p.nth = before.back().nth + 1;
                   copy.replacements.push_back(p);
               }) &&
               db.Exec("COMMIT");
    });
}
