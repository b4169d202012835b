// The ledger's store on real files: its schema's version, two writers at
// once, records keyed by checksum, replacements, and the readings.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <fstream>

#include "CaseName.h"
#include "Ledger.h"
#include "LedgerTestFiles.h"

namespace {

void Sql(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

std::int64_t Pragma(const std::string& path, const char* name)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    std::int64_t value = -1;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, (std::string("PRAGMA ") + name).c_str(), -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        value = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    sqlite3_close(db);
    return value;
}

LedgerRelay Relay(const std::string& path, int relay)
{
    std::vector<LedgerRelay> relays;
    std::string error;
    EXPECT_TRUE(LedgerReadRelays(path, relays, error)) << error;
    return relays.size() == LedgerRelays ? relays[static_cast<std::size_t>(relay)] : LedgerRelay{};
}

// A sweep at time that judged every relay functional but those faults name.
LedgerRecord Sweep(const std::string& checksum, std::int64_t time, std::initializer_list<std::pair<int, const char*>> faults)
{
    LedgerRecord record;
    record.checksum = checksum;
    record.time = time;
    record.program = "relaysweep";
    record.verdicts.fill("functional");
    for (const auto& [relay, verdict] : faults)
        record.verdicts[static_cast<std::size_t>(relay)] = verdict;
    return record;
}

void Add(const std::string& path, const LedgerRecord& record)
{
    bool already = false;
    std::string error;
    EXPECT_TRUE(LedgerAddRecord(path, record, already, error)) << error;
}

// A file in each state the ledger may meet, and what opening it does.
struct SchemaCase {
    const char* name;
    std::function<void(const std::string&)> make;
    std::string error;   // "" when it opens; else the line after "PATH: "
    std::uint64_t relay5 = 0;  // its count after the upgrade
};

class LedgerSchema : public ::testing::TestWithParam<SchemaCase> {};

TEST_P(LedgerSchema, OpensOrRefuses)
{
    const ScratchLedger ledger;
    GetParam().make(ledger.path);
    const std::int64_t before = Pragma(ledger.path, "user_version");
    std::vector<LedgerRelay> relays;
    std::string error;
    const bool opened = LedgerReadRelays(ledger.path, relays, error);
    if (!GetParam().error.empty()) {
        EXPECT_FALSE(opened);
        EXPECT_EQ(error, ledger.path + ": " + GetParam().error);
        EXPECT_EQ(Pragma(ledger.path, "user_version"), before) << "a refused file is left as it was";
        return;
    }
    ASSERT_TRUE(opened) << error;
    EXPECT_EQ(Pragma(ledger.path, "user_version"), LedgerSchemaVersion);
    EXPECT_EQ(relays[5].operations, GetParam().relay5);
    EXPECT_EQ(relays[5].total, GetParam().relay5);
}

const char* const Version1 =
    "CREATE TABLE relay(relay INTEGER PRIMARY KEY, operations INTEGER NOT NULL DEFAULT 0);"
    "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1023)"
    " INSERT INTO relay(relay) SELECT i FROM n;"
    "UPDATE relay SET operations = 7 WHERE relay = 5;"
    "PRAGMA application_id = 1380731975; PRAGMA user_version = 1;";

INSTANTIATE_TEST_SUITE_P(
    Files, LedgerSchema,
    ::testing::Values(
        SchemaCase{"EmptyFile", [](const std::string& p) { std::ofstream{p}; }, "", 0},
        SchemaCase{"Version1Upgraded", [](const std::string& p) { Sql(p, Version1); }, "", 7},
        SchemaCase{"NewerRefused",
                   [](const std::string& p) {
                       Closes(p, {{5, 1}});
                       Sql(p, "PRAGMA user_version = 3");
                   },
                   "made by a newer relayledger: its schema is version 3, this one reads versions up to 2; use the "
                   "newer relayledger, or a ledger of its own for this one"},
        SchemaCase{"OtherDatabase", [](const std::string& p) { Sql(p, "CREATE TABLE parts(name TEXT)"); },
                   "not a relay ledger (an SQLite database of something else)"},
        SchemaCase{"OtherApplication", [](const std::string& p) { Sql(p, "PRAGMA application_id = 5"); },
                   "not a relay ledger (an SQLite database of something else)"},
        SchemaCase{"TextFile", [](const std::string& p) { std::ofstream{p} << "relay 5 closed 3 times, honest\n"; },
                   "not a relay ledger (not an SQLite database)"}),
    ByName());

TEST(Ledger, MissingLedgerIsNotMadeByReading)
{
    const ScratchLedger ledger;
    std::vector<LedgerRelay> relays;
    std::string error;
    EXPECT_FALSE(LedgerReadRelays(ledger.path, relays, error));
    EXPECT_NE(error.find("cannot open the ledger"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(ledger.path));
}

TEST(Ledger, RecordAddedTwiceCountsOnce)
{
    const ScratchLedger ledger;
    LedgerRecord record = Sweep("0123456789ABCDEF", 1000, {{5, "stuck open"}});
    record.hasCloses = true;
    record.closes[5] = 3;
    record.closes[6] = 1;
    bool already[3] = {};
    std::string error;
    for (bool& again : already)
        ASSERT_TRUE(LedgerAddRecord(ledger.path, record, again, error)) << error;
    EXPECT_FALSE(already[0]);
    EXPECT_TRUE(already[1]);
    EXPECT_TRUE(already[2]);
    std::size_t added = 9;
    ASSERT_TRUE(LedgerAddRecords(ledger.path, {record, Sweep("B", 2000, {}), Sweep("B", 2000, {})}, added, error));
    EXPECT_EQ(added, 1U) << "only B is new, and B once";
    EXPECT_EQ(Relay(ledger.path, 5).operations, 3U);
    EXPECT_EQ(Relay(ledger.path, 6).operations, 1U);
    EXPECT_EQ(Relay(ledger.path, 5).faults, 1U);
    LedgerRecord unnamed = record;
    unnamed.checksum.clear();
    EXPECT_FALSE(LedgerAddRecord(ledger.path, unnamed, already[0], error));
    EXPECT_EQ(error, ledger.path + ": a record needs its checksum");
}

TEST(Ledger, ReplacedRestartsTheCountAndKeepsTheHistory)
{
    const ScratchLedger ledger;
    Closes(ledger.path, {{5, 10}, {130, 4}, {200, 9}, {300, 2}});
    Add(ledger.path, Sweep("S1", 100, {{5, "stuck closed"}}));
    std::string error;
    ASSERT_TRUE(LedgerReplace(ledger.path, {5}, 200, error)) << error;
    ASSERT_TRUE(LedgerReplace(ledger.path, {128, 129, 130, 200}, 250, error)) << error;  // board 1, say
    LedgerRecord older = Sweep("OLD", 150, {});  // made before the change, judged after it
    older.hasCloses = true;
    older.closes[5] = 6;
    LedgerRecord newer = older;
    newer.checksum = "NEW";
    newer.time = 300;
    Add(ledger.path, older);
    Add(ledger.path, newer);
    Closes(ledger.path, {{5, 1}});
    const struct {
        std::uint64_t operations, total;
        std::int64_t replaced;
        int relay;
        int replacements;
    } expected[] = {{7, 23, 200, 5, 1}, {0, 4, 250, 130, 1}, {0, 9, 250, 200, 1}, {2, 2, 0, 300, 0}};
    for (const auto& e : expected) {
        const LedgerRelay r = Relay(ledger.path, e.relay);
        EXPECT_EQ(r.operations, e.operations) << "relay " << e.relay;
        EXPECT_EQ(r.total, e.total) << "relay " << e.relay;
        EXPECT_EQ(r.replacements, e.replacements) << "relay " << e.relay;
        EXPECT_EQ(r.replaced, e.replaced) << "relay " << e.relay;
    }
    LedgerRelay summary;
    std::vector<LedgerEvent> events;
    ASSERT_TRUE(LedgerRelayHistory(ledger.path, 5, summary, events, error)) << error;
    ASSERT_EQ(events.size(), 4U);
    EXPECT_EQ(events[0].verdict, "stuck closed");
    EXPECT_EQ(events[1].verdict, "functional");
    EXPECT_TRUE(events[2].replacement);
    EXPECT_EQ(events[2].operations, 10U);
    EXPECT_EQ(summary.firstFault, 100);
    EXPECT_FALSE(LedgerReplace(ledger.path, {1024}, 300, error));
    EXPECT_EQ(error, ledger.path + ": relay 1024 is outside 0-1023");
}

TEST(Ledger, TopIsMostOperationsFirstThenByNumber)
{
    const ScratchLedger ledger;
    Closes(ledger.path, {{700, 5}, {3, 9}, {1000, 9}, {12, 1}, {64, 50}});
    const struct {
        std::size_t n;
        std::vector<int> relays;
    } cases[] = {{3, {64, 3, 1000}}, {5, {64, 3, 1000, 700, 12}}, {1, {64}}};
    for (const auto& c : cases) {
        std::vector<LedgerRelay> top;
        std::string error;
        ASSERT_TRUE(LedgerTop(ledger.path, c.n, top, error)) << error;
        std::vector<int> relays;
        relays.reserve(top.size());
        for (const LedgerRelay& r : top)
            relays.push_back(r.relay);
        EXPECT_EQ(relays, c.relays) << "top " << c.n;
    }
}

// Sweeps 1-5 (times 10-50): relay 5 faulty in 1, 3 and 5; relay 6 judged in
// 4 and 5 only, stuck in 5; relay 7 faulty in 1 and 2, replaced at 25; relay
// 8 faulty in 2 only.
TEST(Ledger, FailingCountsFaultsInTheLastSweeps)
{
    const ScratchLedger ledger;
    for (int i = 1; i <= 5; ++i) {
        LedgerRecord sweep = Sweep("S" + std::to_string(i), std::int64_t{10} * i, {});
        for (const int r : {5, 7, 8})
            sweep.verdicts[static_cast<std::size_t>(r)] =
                (r == 5 && i % 2 == 1) || (r == 7 && i <= 2) || (r == 8 && i == 2) ? "erratic" : "functional";
        sweep.verdicts[6] = i < 4 ? "" : i == 5 ? "stuck open" : "functional";
        Add(ledger.path, sweep);
    }
    std::string error;
    ASSERT_TRUE(LedgerReplace(ledger.path, {7}, 25, error)) << error;
    const struct {
        int last;
        int sweeps;
        std::vector<std::vector<int>> failing;  // relay, k, n
    } cases[] = {{20, 5, {{5, 3, 5}, {6, 1, 2}, {8, 1, 5}}},
                 {2, 2, {{5, 1, 2}, {6, 1, 2}}},
                 {4, 4, {{5, 2, 4}, {6, 1, 2}, {8, 1, 4}}}};
    for (const auto& c : cases) {
        std::vector<LedgerFailing> failing;
        int sweeps = 0;
        ASSERT_TRUE(LedgerFailingIn(ledger.path, c.last, failing, sweeps, error)) << error;
        EXPECT_EQ(sweeps, c.sweeps);
        std::vector<std::vector<int>> seen;
        seen.reserve(failing.size());
        for (const LedgerFailing& f : failing)
            seen.push_back({f.relay, f.faulty, f.judged});
        EXPECT_EQ(seen, c.failing) << "--last " << c.last;
    }
}

TEST(Ledger, RelayHistoryNamesFirstAndLastFault)
{
    const ScratchLedger ledger;
    // Added out of order: the ledger orders by the records' own times.
    Add(ledger.path, Sweep("T3", 3000, {{5, "erratic"}}));
    Add(ledger.path, Sweep("T1", 1000, {{5, "stuck open"}}));
    Add(ledger.path, Sweep("T4", 4000, {}));
    Add(ledger.path, Sweep("T2", 2000, {{6, "stuck closed"}}));
    LedgerRelay summary;
    std::vector<LedgerEvent> events;
    std::string error;
    ASSERT_TRUE(LedgerRelayHistory(ledger.path, 5, summary, events, error)) << error;
    EXPECT_EQ(summary.faults, 2U);
    EXPECT_EQ(summary.firstFault, 1000);
    EXPECT_EQ(summary.lastFault, 3000);
    std::vector<std::string> verdicts;
    verdicts.reserve(events.size());
    for (const LedgerEvent& e : events)
        verdicts.push_back(std::to_string(e.time) + " " + e.verdict);
    EXPECT_EQ(verdicts, (std::vector<std::string>{"1000 stuck open", "2000 functional", "3000 erratic", "4000 functional"}));
}

}  // namespace
