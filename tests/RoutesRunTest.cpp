// The real relayctl's routes on docs/examples/bench-7.toml, on a simulated
// card that keeps its boards in a state file: what one run connects the next
// sees, a bus in use is refused naming its route, a change breaks before it
// makes, and a relay that does not follow leaves nothing of its route closed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "Child.h"
#include "Paths.h"
#include "Transcript.h"

namespace {

struct Station {
    std::string state = ::testing::TempDir() + "routes-run-" + std::to_string(getpid());
    ~Station()
    {
        for (const std::string& file : {state, state + ".lock"})
            (void)std::remove(file.c_str());
    }
    ChildResult Run(std::vector<std::string> args, const std::string& faults = "") const
    {
        args.insert(args.begin(), RelayctlPath());
        ChildSpec run(std::move(args), {"RELAYSIM=state=" + state + faults,
                                        "RELAYTEST_WIRING=" + ExamplePath("bench-7.toml")});
        run.captureStderr = true;
        return RunChild(run);
    }
};

// The push lines of a record, "+N" closing relay N and "-N" opening it.
std::string Pushes(const std::string& record)
{
    std::string pushes;
    for (std::size_t at = record.find("Turning "); at != std::string::npos; at = record.find("Turning ", at + 1)) {
        const bool on = record.compare(at, 11, "Turning on ") == 0;
        pushes += (pushes.empty() ? "" : " ") + std::string(on ? "+" : "-") +
                  std::to_string(std::stoi(record.substr(record.find("relay", at) + 5)));
    }
    return pushes;
}

TEST(RoutesRun, AConnectionIsReadFromTheCardByTheNextRun)
{
    const Station s;
    const ChildResult made = s.Run({"connect", "DMM_HI", "P21"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(Pushes(made.out), "+112 +176");  // 0:0:14 DMM_HI@ABUS1, 1:0:6 ABUS1@P21: no other
    EXPECT_NE(made.out.find("\nRoute made: DMM_HI to P21 through 0:0:14, 1:0:6; settle 2 ms\n"), std::string::npos);
    const ChildResult seen = s.Run({"routes"});
    EXPECT_EQ(seen.err, "relayctl: connected: DMM_HI to P21 through DMM_HI@ABUS1 (0:0:14), ABUS1@P21 (1:0:6)\n");
    // The pinned scope_p20 needs ABUS1: refused, naming what holds it.
    const ChildResult refused = s.Run({"connect", "scope_p20"});
    EXPECT_EQ(refused.exitCode, 6);
    EXPECT_EQ(refused.err, "relayctl: scope_p20 (SCOPE to P20): ABUS1 is held by the route DMM_HI to P21: nothing "
                           "switched\n");
    EXPECT_EQ(Pushes(refused.out), "");
    const ChildResult gone = s.Run({"disconnect", "P21", "DMM_HI"});
    EXPECT_EQ(Pushes(gone.out), "-112 -176");
    EXPECT_EQ(s.Run({"routes"}).err, "relayctl: no route connected\n");
}

TEST(RoutesRun, ASwitchBreaksEverythingBeforeItMakesAndKeepsWhatBothShare)
{
    const Station s;
    ASSERT_EQ(s.Run({"switch", "measure_vcc"}).exitCode, 0);  // 0:0:0 DMM_HI@VCC, 0:1:1 DMM_LO@GND
    const ChildResult moved = s.Run({"switch", "scope_p20", "dmm_vcc"});
    EXPECT_EQ(moved.exitCode, 0) << moved.err;
    EXPECT_EQ(Pushes(moved.out), "-9 +116 +168");  // relay 0, in both, never pushed
    const std::size_t broken = moved.out.find("Route broken: dmm_gnd (DMM_LO to GND) through 0:1:1\n");
    EXPECT_LT(broken, moved.out.find("Turning on"));
    EXPECT_NE(moved.out.find("Route made: scope_p20 (SCOPE to P20) through 0:4:14, 1:0:5; settle 5 ms\n"),
              std::string::npos);
}

TEST(RoutesRun, ARelayThatDoesNotFollowLeavesNothingOfItsRouteClosed)
{
    const Station s;
    const ChildResult r = s.Run({"connect", "scope_p20"}, ",stuck-off=168");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the change failed: relay 168 (board 1, row 0 ABUS1, column 5 P20) did not close"),
              std::string::npos) << r.err;
    EXPECT_EQ(Pushes(r.out), "+116 +168 -116 -168");
    EXPECT_NE(r.out.find("\nRoute failed: scope_p20 (SCOPE to P20): relay 168"), std::string::npos);
    const std::string held = ReadFile(s.state);
    EXPECT_EQ(held.find("board 0: 00000000 00000000 00000000 00000000\n"), 0u) << held;
    EXPECT_NE(held.find("board 1: 00000000 00000000 00000000 00000000\n"), std::string::npos) << held;
}

}  // namespace
