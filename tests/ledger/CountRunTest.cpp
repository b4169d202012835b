// The programs count into the station's ledger: relayctl in separate runs
// counts each pull-in once (a close of a relay already closed counts
// nothing), a sweep one for each relay it closed, and a ledger that cannot
// be used stops a program before the card.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "Child.h"
#include "Ledger.h"
#include "Paths.h"

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

TEST(CountRun, ALedgerThatCannotBeUsedStopsTheProgramBeforeTheCard)
{
    const Station s;
    const ChildResult r = s.Run(RelayctlPath(), {"close", "5"}, ::testing::TempDir());  // a folder
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("relayctl: the relay ledger cannot be used: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
