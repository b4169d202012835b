// Reading a ledger back: the relays' counts and faults, one relay's history,
// and the relays that keep failing.
#include <algorithm>
#include <exception>
#include <map>

#include "Ledger.h"
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

bool Judged(const std::string& bits, int relay)
{
    const auto r = static_cast<std::size_t>(relay);
    if (r / 8 >= bits.size())
        return false;
    const unsigned byte = static_cast<unsigned char>(bits[r / 8]);
    return ((byte >> (r % 8)) & 1U) != 0;
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
                               " WHERE v.verdict IN ('stuck open', 'stuck closed', 'erratic') GROUP BY v.relay");
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

bool LedgerReadRelays(const std::string& path, std::vector<LedgerRelay>& relays, std::string& error)
{
    return Reading(path, error, [&](LedgerDb& db) { return ReadRelays(db, relays); });
}

bool LedgerTop(const std::string& path, std::size_t n, std::vector<LedgerRelay>& top, std::string& error)
{
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
                        std::string& error)
{
    if (relay < 0 || relay >= LedgerRelays) {
        error = path + ": relay " + std::to_string(relay) + " is outside 0-1023";
        return false;
    }
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
            if (Judged(s.Blob(3), relay))
                events.push_back({s.Int(0), false, s.IsNull(4) ? "functional" : s.Text(4), s.Text(1), s.Text(2), 0});
        }) && EachRow(changes, [&](const LedgerStatement& s) {
            replacements.push_back({s.Int(0), true, "", "", "", static_cast<std::uint64_t>(s.Int(1))});
        });
        // A sweep and a replacement of the same second: the sweep found what
        // the replacement was for.
        std::vector<LedgerEvent> merged;
        std::merge(events.begin(), events.end(), replacements.begin(), replacements.end(), std::back_inserter(merged),
                   [](const LedgerEvent& a, const LedgerEvent& b) { return a.time < b.time; });
        events.swap(merged);
        return read;
    });
}

bool LedgerFailingIn(const std::string& path, int last, std::vector<LedgerFailing>& failing, int& sweeps,
                     std::string& error)
{
    failing.clear();
    sweeps = 0;
    return Reading(path, error, [&](LedgerDb& db) {
        std::vector<std::int64_t> replaced(LedgerRelays, 0);
        LedgerStatement since(db, "SELECT relay, replaced FROM relay");
        LedgerStatement lastSweeps(db, "SELECT id, time, judged FROM record WHERE judged IS NOT NULL"
                                       " ORDER BY time DESC, id DESC LIMIT ?1");
        LedgerStatement faults(db, "SELECT relay, verdict FROM verdict WHERE record = ?1");
        lastSweeps.Bind(1, std::max(last, 0));
        std::vector<LedgerFailing> all(LedgerRelays);
        for (int r = 0; r < LedgerRelays; ++r)
            all[static_cast<std::size_t>(r)].relay = r;
        bool ok = EachRow(since, [&](const LedgerStatement& s) {
            replaced[static_cast<std::size_t>(std::clamp<std::int64_t>(s.Int(0), 0, LedgerRelays - 1))] = s.Int(1);
        });
        struct Looked {
            std::int64_t id;
            std::int64_t time;
            std::string judged;
        };
        std::vector<Looked> looked;
        ok = ok && EachRow(lastSweeps, [&](const LedgerStatement& s) { looked.push_back({s.Int(0), s.Int(1), s.Blob(2)}); });
        for (std::size_t i = 0; ok && i < looked.size(); ++i) {
            const Looked& sweep = looked[i];
            for (int r = 0; r < LedgerRelays; ++r) {
                if (Judged(sweep.judged, r) && sweep.time >= replaced[static_cast<std::size_t>(r)])
                    ++all[static_cast<std::size_t>(r)].judged;
            }
            faults.Bind(1, sweep.id);
            ok = EachRow(faults, [&](const LedgerStatement& s) {
                const std::size_t r = static_cast<std::size_t>(std::clamp<std::int64_t>(s.Int(0), 0, LedgerRelays - 1));
                if (LedgerIsFault(s.Text(1)) && sweep.time >= replaced[r])
                    ++all[r].faulty;
            });
            faults.Reset();
        }
        sweeps = static_cast<int>(looked.size());
        for (const LedgerFailing& relay : all) {
            if (relay.faulty > 0)
                failing.push_back(relay);
        }
        std::stable_sort(failing.begin(), failing.end(),
                         [](const LedgerFailing& a, const LedgerFailing& b) { return a.faulty > b.faulty; });
        return ok;
    });
}
