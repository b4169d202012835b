// The programs count into the station's ledger: relayctl in separate runs
// counts each pull-in once (a close of a relay already closed counts
// nothing), a sweep one for each relay it closed, two programs writing at
// once lose nothing, and a ledger that cannot be used stops a program before
// the card.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "Child.h"
#include "Ledger.h"
#include "LedgerTestFiles.h"
#include "Paths.h"
#include "TwoWriters.h"

namespace {

struct Station {
    std::string base = ::testing::TempDir() + "count-run-" + std::to_string(getpid());
    std::string ledger = base + ".ledger";
    ~Station()
    {
        for (const std::string& file : {base, base + ".lock", base + ".card", ledger})
            (void)std::remove(file.c_str());
    }
    ChildResult Run(const std::string& program, std::vector<std::string> args, const std::string& ledgerFile) const
    {
        args.insert(args.begin(), program);
        ChildSpec run(std::move(args), {"RELAYSIM=state=" + base, "RELAYTEST_LEDGER=" + ledgerFile,
                                        "RELAYTEST_LOCK=" + base + ".card", "RELAYTEST_WIRING="});
        run.captureStderr = true;
        return RunChild(run);
    }
    std::uint64_t Operations(int relay) const
    {
        std::vector<LedgerRelay> relays;
        std::string error;
        EXPECT_TRUE(LedgerReadRelays(ledger, relays, error)) << error;
        return relays.size() > static_cast<std::size_t>(relay) ? relays[static_cast<std::size_t>(relay)].operations : 0;
    }
    // The record saved n days ago, given to relaylog --ledger twice: the second time adds nothing.
    void AddRecord(const std::string& record, int n) const
    {
        const std::string file = base + "-" + std::to_string(n) + ".log";
        std::FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_TRUE(f != nullptr && std::fputs(record.c_str(), f) >= 0 && std::fclose(f) == 0);
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * n));
        const ChildSpec judge({RelaylogPath(), "--ledger", ledger, file}, {"RELAYTEST_WIRING="});
        EXPECT_EQ(RunChild(judge).exitCode, 0);  // PASS: a Ledger line is no problem
        EXPECT_NE(RunChild(judge).out.find("\nLedger: the record is in "), std::string::npos) << record;
        (void)std::remove(file.c_str());
    }
};

TEST(CountRun, EachPullInCountsOnceWhoeverSwitchesIt)
{
    const Station s;
    for (const char* command : {"close", "close", "open", "close"})
        ASSERT_EQ(s.Run(RelayctlPath(), {command, "5"}, s.ledger).exitCode, 0);
    EXPECT_EQ(s.Operations(5), 2u);
    // The sweep opens board 0 first, then closes each of its relays once.
    ASSERT_EQ(s.Run(RelaysweepPath(), {"--yes", "--boards", "0"}, s.ledger).exitCode, 0);
    EXPECT_EQ(s.Operations(5), 3u);
    EXPECT_EQ(s.Operations(6), 1u);
    EXPECT_EQ(s.Operations(128), 0u);
    // No ledger named: nothing counted anywhere.
    ASSERT_EQ(s.Run(RelayctlPath(), {"close", "6"}, "").exitCode, 0);
    EXPECT_EQ(s.Operations(6), 1u);
}

// Runs counted into a ledger name it in their record: relaylog adds no close of
// theirs again, and adds those of runs without one, so both end the same.
TEST(CountRun, ARecordAddsTheClosesNoLedgerCountedAsItRan)
{
    for (const bool counting : {false, true}) {
        const Station s;
        int day = 0;
        for (const char* command : {"close", "close", "open", "close"}) {
            const ChildResult r = s.Run(RelayctlPath(), {command, "5"}, counting ? s.ledger : "");
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(r.out.find("FPGA Rev: 0002A1F7\nLedger: " + s.ledger + "\n") != std::string::npos, counting);
            s.AddRecord(r.out, ++day);
        }
        EXPECT_EQ(s.Operations(5), 2u) << (counting ? "counted as they ran" : "added from their records");
    }
    const Station s;  // a sweep's record: one for each relay it closed
    s.AddRecord(s.Run(RelaysweepPath(), {"--yes", "--boards", "0"}, "").out, 1);
    for (const int relay : {0, 5, 127, 128})
        EXPECT_EQ(s.Operations(relay), relay < 128 ? 1u : 0u) << relay;
}

// Two programs of one station, each counting 1,000 single closes as fast as
// it can, into a ledger neither has made yet: not one is lost. In memory where
// the machine has a tmpfs: the locks are the same, and the disk's syncs (four
// a write, each milliseconds on a busy machine) would only make it slow.
// (Windows programs, under wine: tests/windows/wine-ledger.sh.)
TEST(Ledger, TwoProcessesLoseNothing)
{
    std::error_code ignored;
    const ScratchLedger ledger(std::filesystem::is_directory("/dev/shm", ignored) ? std::filesystem::path("/dev/shm")
                                                                                 : std::filesystem::temp_directory_path());
    AddClosesInTwoProcesses(ledger.path, 1000);
    std::vector<LedgerRelay> relays;
    std::string error;
    ASSERT_TRUE(LedgerReadRelays(ledger.path, relays, error)) << error;
    EXPECT_EQ(relays[5].operations, 2000U);
    EXPECT_EQ(relays[1023].operations, 4000U);
    EXPECT_EQ(relays[4].operations, 0U);
}

TEST(CountRun, ALedgerThatCannotBeUsedStopsTheProgramBeforeTheCard)
{
    const Station s;
    const ChildResult r = s.Run(RelayctlPath(), {"close", "5"}, ::testing::TempDir());  // a folder
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("relayctl: the relay ledger cannot be used: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

// The refusal names the ledger once, a fleet's URL without its password.
TEST(CountRun, ARefusedLedgerIsNamedOnceWithoutItsPassword)
{
    const Station s;
    const std::pair<std::string, std::string> cases[] = {
        {::testing::TempDir(), ::testing::TempDir()},
        {"postgresql://relaytest:secret@%2Fnonexistent/fleet", "postgresql://relaytest@%2Fnonexistent/fleet"}};
    for (const auto& [ledger, named] : cases) {
        const ChildResult r = s.Run(RelayctlPath(), {"close", "5"}, ledger);
        EXPECT_EQ(r.exitCode, 2);
        const std::size_t at = r.err.find("cannot be used: " + named + ": ");
        EXPECT_NE(at, std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(named, at + 17 + named.size()), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("secret"), std::string::npos) << r.err;
    }
}

// A sweep's record judged into the ledger counts once, however often it is
// given: relay 5's fault is seen in one sweep, not two.
TEST(CountRun, ARecordJudgedTwiceCountsOnce)
{
    const Station s;
    const std::string record = s.base + ".log";
    ChildSpec sweep({RelaysweepPath(), "--yes", "--boards", "0"}, {"RELAYSIM=stuck-off=5", "RELAYTEST_WIRING="});
    sweep.captureStderr = true;
    const ChildResult swept = RunChild(sweep);
    ASSERT_EQ(swept.exitCode, 0) << swept.err;
    std::FILE* file = std::fopen(record.c_str(), "wb");
    ASSERT_TRUE(file != nullptr && std::fputs(swept.out.c_str(), file) >= 0 && std::fclose(file) == 0);
    for (const char* said : {"Ledger: added to ", "Ledger: the record is in "}) {
        ChildSpec judge({RelaylogPath(), "--ledger", s.ledger, record}, {"RELAYTEST_WIRING="});
        const ChildResult judged = RunChild(judge);
        EXPECT_EQ(judged.exitCode, 1);  // FAIL: relay 5 stuck open
        EXPECT_NE(judged.out.find(std::string("\n") + said + s.ledger), std::string::npos) << judged.out;
    }
    std::vector<LedgerRelay> relays;
    std::string error;
    ASSERT_TRUE(LedgerReadRelays(s.ledger, relays, error)) << error;
    ASSERT_EQ(relays.size(), 1024u);
    EXPECT_EQ(relays[5].faults, 1u);
    EXPECT_NE(relays[5].firstFault, 0);
    EXPECT_EQ(relays[6].faults, 0u);
    (void)std::remove(record.c_str());
}

}  // namespace
