// What the programs and relaylog add to a ledger: each call one transaction,
// all of it or nothing.
#include <exception>

#include "Fleet.h"
#include "Ledger.h"
#include "LedgerShared.h"
#include "LedgerStore.h"

namespace {

// Runs work on the ledger at path inside one transaction; whatever is thrown
// (out of memory) is the call's failure, not the caller's.
template <typename Work>
bool InTransaction(const std::string& path, bool create, std::string& error, Work work)
{
    try {
        LedgerDb db(path, error);
        return db.Open(create) && db.Begin() && work(db) && db.Commit();
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    } catch (...) {
        error = path + ": cannot use the ledger";
    }
    return false;
}

struct RecordWriter {
    explicit RecordWriter(LedgerDb& db)
        : insert(db, "INSERT OR IGNORE INTO record(checksum, time, program, judged) VALUES(?1, ?2, ?3, ?4)"),
          verdict(db, "INSERT INTO verdict(relay, record, verdict) VALUES(?1, ?2, ?3)"),
          closes(db, "UPDATE relay SET operations = operations + CASE WHEN replaced <= ?3 THEN ?1 ELSE 0 END,"
                     " total = total + ?1 WHERE relay = ?2")
    {
    }
    bool Ok() const { return insert.Ok() && verdict.Ok() && closes.Ok(); }
    LedgerStatement insert;
    LedgerStatement verdict;
    LedgerStatement closes;
};

// Adds one record; new is false when its checksum was there already.
bool AddOne(LedgerDb& db, RecordWriter& w, const LedgerRecord& record, bool& isNew)
{
    if (record.checksum.empty())
        return db.Fail("a record needs its checksum");
    const std::string judged = LedgerJudgedBits(record);
    w.insert.Bind(1, record.checksum);
    w.insert.Bind(2, record.time);
    w.insert.Bind(3, record.program);
    if (judged.empty())
        w.insert.BindNull(4);
    else
        w.insert.BindBlob(4, judged.data(), static_cast<int>(judged.size()));
    if (!w.insert.Run())
        return false;
    isNew = db.Changes() > 0;
    if (!isNew)
        return true;
    const std::int64_t id = db.LastRowId();
    for (int r = 0; r < LedgerRelays; ++r) {
        const std::string& text = record.verdicts[static_cast<std::size_t>(r)];
        if (text.empty() || text == "functional")
            continue;
        w.verdict.Bind(1, r);
        w.verdict.Bind(2, id);
        w.verdict.Bind(3, text);
        if (!w.verdict.Run())
            return false;
    }
    for (int r = 0; record.hasCloses && r < LedgerRelays; ++r) {
        const std::uint32_t n = record.closes[static_cast<std::size_t>(r)];
        if (n == 0)
            continue;
        w.closes.Bind(1, static_cast<std::int64_t>(n));
        w.closes.Bind(2, r);
        w.closes.Bind(3, record.time);
        if (!w.closes.Run())
            return false;
    }
    return true;
}

}  // namespace

bool LedgerAddCloses(const std::string& path, const std::uint32_t (&closes)[1024], std::string& error)
{
    if (LedgerIsFleet(path))
        return FleetAddCloses(path, closes, error);
    return InTransaction(path, true, error, [&](LedgerDb& db) {
        LedgerStatement add(db, "UPDATE relay SET operations = operations + ?1, total = total + ?1 WHERE relay = ?2");
        if (!add.Ok())
            return false;
        for (int r = 0; r < LedgerRelays; ++r) {
            if (closes[r] == 0)
                continue;
            add.Bind(1, static_cast<std::int64_t>(closes[r]));
            add.Bind(2, r);
            if (!add.Run())
                return false;
        }
        return true;
    });
}

bool LedgerAddRecords(const std::string& path, const std::vector<LedgerRecord>& records, std::size_t& added,
                      std::string& error)
{
    added = 0;
    if (LedgerIsFleet(path))
        return FleetAddRecords(path, records, added, error);
    std::size_t count = 0;
    const bool ok = InTransaction(path, true, error, [&](LedgerDb& db) {
        RecordWriter w(db);
        if (!w.Ok())
            return false;
        for (const LedgerRecord& record : records) {
            bool isNew = false;
            if (!AddOne(db, w, record, isNew))
                return false;
            count += isNew ? 1 : 0;
        }
        return true;
    });
    if (ok)
        added = count;
    return ok;
}

bool LedgerAddRecord(const std::string& path, const LedgerRecord& record, bool& alreadyThere, std::string& error)
{
    std::size_t added = 0;
    const bool ok = LedgerAddRecords(path, std::vector<LedgerRecord>{record}, added, error);
    alreadyThere = ok && added == 0;
    return ok;
}

bool LedgerReplace(const std::string& path, const std::vector<int>& relays, std::int64_t time, std::string& error,
                   const std::string& station)
{
    if (LedgerIsFleet(path))
        return FleetReplace(path, station, relays, time, error);
    return InTransaction(path, false, error, [&](LedgerDb& db) {
        LedgerStatement keep(db, "INSERT INTO replacement(relay, time, operations)"
                                 " SELECT relay, ?2, operations FROM relay WHERE relay = ?1");
        LedgerStatement restart(db, "UPDATE relay SET operations = 0, replaced = ?2 WHERE relay = ?1");
        if (!keep.Ok() || !restart.Ok())
            return false;
        for (const int r : relays) {
            if (r < 0 || r >= LedgerRelays)
                return db.Fail("relay " + std::to_string(r) + " is outside 0-1023");
            for (LedgerStatement* s : {&keep, &restart}) {
                s->Bind(1, r);
                s->Bind(2, time);
                if (!s->Run())
                    return false;
            }
        }
        return true;
    });
}

bool LedgerIsFault(const std::string& verdict)
{
    // Every verdict but these is a fault: the plain sweep's stuck and
    // erratic relays, and the deep passes' own.
    return !verdict.empty() && verdict != "functional" && verdict != "partly verified" && verdict != "unverified" &&
           verdict != "skipped by rule";
}
