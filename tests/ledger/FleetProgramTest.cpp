// relayledger on a fleet of two stations pushed into the tests' PostgreSQL
// server: its readings by station and across stations, and its refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "CaseName.h"
#include "Child.h"
#include "FleetTestDb.h"
#include "Ledger.h"
#include "LedgerTestFiles.h"
#include "Paths.h"

namespace {

struct FleetRun {
    const char* name;
    std::vector<std::string> args;  // after --ledger URL; "FILE" is station a's file
    int status;
    std::string out;  // found in standard output, or in standard error when status is not 0
};

class RelayledgerFleet : public ::testing::TestWithParam<FleetRun> {};

// Station a: relay 64 closed 50 times, relay 3 9 times, relay 5 stuck open
// in its one sweep; station b: relay 3 closed 70 times.
TEST_P(RelayledgerFleet, Answers)
{
    const ScratchFleet fleet;
    NEED_FLEET(fleet);
    const ScratchLedger a;
    const ScratchLedger b;
    Closes(a.path, {{64, 50}, {3, 9}});
    Closes(b.path, {{3, 70}});
    std::string error;
    LedgerRecord sweep;
    sweep.checksum = "A1";
    sweep.time = 1000;
    sweep.verdicts.fill("functional");
    sweep.verdicts[5] = "stuck open";
    bool already = false;
    ASSERT_TRUE(LedgerAddRecord(a.path, sweep, already, error)) << error;
    LedgerPushed pushed;
    ASSERT_TRUE(LedgerPush(a.path, fleet.url, "a", pushed, error)) << error;
    ASSERT_TRUE(LedgerPush(b.path, fleet.url, "b", pushed, error)) << error;
    std::vector<std::string> argv{RELAYLEDGER_EXE};
    if (std::find(GetParam().args.begin(), GetParam().args.end(), "--ledger") == GetParam().args.end())
        argv.insert(argv.end(), {"--ledger", fleet.url});
    for (const std::string& arg : GetParam().args)
        argv.push_back(arg == "FILE" ? a.path : arg == "URL" ? fleet.url : arg);
    ChildSpec run(argv, {"RELAYTEST_WIRING=", "RELAYTEST_LEDGER=", "RELAYTEST_STATION=b"});
    run.captureStderr = true;
    const ChildResult result = RunChild(run);
    EXPECT_EQ(result.exitCode, GetParam().status) << result.out << result.err;
    const std::string& said = GetParam().status == 0 ? result.out : result.err;
    EXPECT_NE(said.find(GetParam().out), std::string::npos) << said;
}

const std::string Heading = "relay  crosspoint                 operations  rated life  faults  last fault\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, RelayledgerFleet,
    ::testing::Values(
        FleetRun{"TopAcrossStations", {"top", "-n", "3"}, 0,
                 ", every station, rated life 100000000 operations (default)\nstation  " + Heading +
                     "b            3  0:3:0                              70      0.000%       0  -\n"
                     "a           64  0:0:8                              50      0.000%       0  -\n"
                     "a            3  0:3:0                               9      0.000%       0  -\n"},
        FleetRun{"TopOfOneStation", {"--station", "a", "top", "-n", "1"}, 0,
                 ", station a, rated life 100000000 operations (default)\n" + Heading +
                     "   64  0:0:8                              50      0.000%       0  -\n"},
        FleetRun{"TopOfNoSuchStation", {"--station", "c", "top"}, 1, ": no station \"c\" in the fleet (a, b)\n"},
        FleetRun{"RelayNeedsAStation", {"relay", "3"}, 2,
                 "relayledger: relay needs --station NAME: the fleet holds 2 stations (a, b)\n"},
        FleetRun{"RelayOfAStation", {"relay", "5", "--station", "a"}, 0,
                 "relay 5 (board 0, row 5, column 0) of station a\noperations: 0,"},
        FleetRun{"FailingAcrossStations", {"failing"}, 0,
                 "every station (up to 20 each): a 1\na            5  0:5:0                    faulty in 1 of 1\n"},
        FleetRun{"ExportAcrossStations", {"export", "--csv"}, 0, "\nb,3,0,3,0,70,0.000070,70,0,,0,,\n"},
        FleetRun{"ReplacedOfThisStation", {"replaced", "3"}, 0, "relay 3 (board 0, row 3, column 0) of station b "
                                                                "replaced on "},
        FleetRun{"PushOfAFleet", {"push", "URL"}, 2, "push copies a station's ledger file into a fleet"},
        FleetRun{"PushToAFile", {"--ledger", "FILE", "push", "FILE"}, 2, "push needs the fleet's URL"},
        FleetRun{"StationOfAFile", {"--ledger", "FILE", "--station", "a", "top"}, 2,
                 "--station names a station of a fleet"}),
    ByName());

// relaylog adds a record to a fleet named with its password, and never
// prints the password.
TEST(RelaylogFleet, AddsARecordAndHidesThePassword)
{
    const ScratchFleet fleet;
    NEED_FLEET(fleet);
    const ScratchLedger scratch;  // its folder holds the run's card, lock and record
    const ChildResult made = RunChild(ChildSpec({RelayctlPath(), "close", "5"},
                                                {"RELAYSIM=state=" + scratch.path + ".card", "RELAYTEST_LEDGER=",
                                                 "RELAYTEST_LOCK=" + scratch.path + ".lock", "RELAYTEST_WIRING="}));
    ASSERT_EQ(made.exitCode, 0);
    const std::string record = scratch.path + ".log";
    std::FILE* f = std::fopen(record.c_str(), "wb");
    ASSERT_TRUE(f != nullptr && std::fputs(made.out.c_str(), f) >= 0 && std::fclose(f) == 0);
    const ChildResult judged = RunChild(ChildSpec({RelaylogPath(), "--ledger", fleet.url + "?password=s3cret", record},
                                                  {"RELAYTEST_WIRING=", "RELAYTEST_STATION=r"}));
    EXPECT_EQ(judged.exitCode, 0) << judged.out;
    EXPECT_NE(judged.out.find("\nLedger: added to " + fleet.url + " (record checksum "), std::string::npos) << judged.out;
    EXPECT_EQ(judged.out.find("s3cret"), std::string::npos) << judged.out;
}

}  // namespace
