// relayledger run as a program on a ledger the store filled: its commands'
// answers, its usage errors and its statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "CaseName.h"
#include "Child.h"
#include "Ledger.h"
#include "LedgerTestFiles.h"

namespace {

struct Run {
    const char* name;
    std::vector<std::string> args;  // after --ledger LEDGER; "WIRING" and "PAGE" are files of the folder
    int status;
    std::string out;  // found in standard output, or in standard error when status is 2
    std::string page = {};  // found in the page written, when given
};

class RelayledgerRun : public ::testing::TestWithParam<Run> {};

// Relay 64 closed 50 times, relays 3 and 1000 9 times; relay 5 stuck open in
// the sweep at 1000 s, functional in the one at 2000 s.
void Fill(const std::string& path)
{
    std::uint32_t closes[1024] = {};
    closes[64] = 50;
    closes[3] = 9;
    closes[1000] = 9;
    std::string error;
    ASSERT_TRUE(LedgerAddCloses(path, closes, error)) << error;
    for (const std::int64_t time : {1000, 2000}) {
        LedgerRecord sweep;
        sweep.checksum = std::to_string(time);
        sweep.time = time;
        sweep.program = "relaysweep";
        sweep.verdicts.fill("functional");
        sweep.verdicts[5] = time == 1000 ? "stuck open" : "functional";
        bool already = false;
        ASSERT_TRUE(LedgerAddRecord(path, sweep, already, error)) << error;
    }
}

TEST_P(RelayledgerRun, Answers)
{
    const ScratchLedger ledger;
    Fill(ledger.path);
    std::ofstream(ledger.dir + "/w.toml") << "rated-operations = 1000\nmax-closed-per-board = 12\n";
    std::vector<std::string> argv{RELAYLEDGER_EXE};
    if (std::find(GetParam().args.begin(), GetParam().args.end(), "--ledger") == GetParam().args.end())
        argv.insert(argv.end(), {"--ledger", ledger.path});
    for (const std::string& arg : GetParam().args)
        argv.push_back(arg == "WIRING" ? ledger.dir + "/w.toml" : arg == "PAGE" ? ledger.dir + "/wear.html" : arg);
    ChildSpec run(argv, {"RELAYTEST_WIRING=", "RELAYTEST_LEDGER="});
    run.captureStderr = true;
    const ChildResult result = RunChild(run);
    EXPECT_EQ(result.exitCode, GetParam().status) << result.out << result.err;
    const std::string& said = GetParam().status == 2 ? result.err : result.out;
    EXPECT_NE(said.find(GetParam().out), std::string::npos) << said << result.err;
    if (!GetParam().page.empty()) {
        std::ostringstream page;
        page << std::ifstream(ledger.dir + "/wear.html").rdbuf();
        EXPECT_NE(page.str().find(GetParam().page), std::string::npos) << page.str().substr(0, 2000);
    }
}

const std::string TopHeading = "relay  crosspoint                 operations  rated life  faults  last fault\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, RelayledgerRun,
    ::testing::Values(
        Run{"Top", {"top", "-n", "3"}, 0,
            TopHeading + "   64  0:0:8                              50      0.000%       0  -\n"
                         "    3  0:3:0                               9      0.000%       0  -\n"
                         " 1000  7:0:13                              9      0.000%       0  -\n"},
        Run{"TopRatedByTheWiring", {"--wiring", "WIRING", "top", "-n", "1"}, 0,
            "rated life 1000 operations (rated-operations, "},
        Run{"TopFirstOfTheWiringsShare", {"top", "-n", "1", "--wiring", "WIRING"}, 0, "      5.000%"},
        Run{"RelayByPlace", {"relay", "0:5:0"}, 0,
            "faults: 1 sweep; first seen 1970-01-01 00:16:40 UTC, last seen 1970-01-01 00:16:40 UTC\nhistory:\n"
            "  1970-01-01 00:16:40 UTC  stuck open (relaysweep, record 1000)\n"
            "  1970-01-01 00:33:20 UTC  functional (relaysweep, record 2000)\n"},
        Run{"Failing", {"failing", "--last", "20"}, 0, "    5  0:5:0                    faulty in 1 of 2\n"},
        Run{"ReplacedBoard", {"replaced", "board", "0"}, 0, "board 0 replaced on "},
        Run{"ExportCsv", {"export", "--csv"}, 0, "\n64,0,0,8,50,0.000050,50,0,,0,,\n"},
        Run{"ExportJson", {"export", "--json"}, 0, "{\"relay\": 5, \"board\": 0, \"row\": 5, \"column\": 0, \"operations\": 0"},
        Run{"WearMap", {"html", "PAGE"}, 0, "", "<title>relay 64 (board 0, row 0, column 8): 50 operations"},
        Run{"MissingLedgerFile", {"--ledger", "/nonexistent/l.db", "top"}, 1, ""},
        Run{"NoCommand", {}, 2, "relayledger: missing the command"},
        Run{"LedgerTwice", {"--ledger", "a", "top", "--ledger", "b"}, 2, "relayledger: --ledger given more than once\n"},
        Run{"RelayOfNone", {"relay"}, 2, "relayledger: relay needs a relay: a number, board:row:column or ROW@COLUMN\n"},
        Run{"RelayOutOfRange", {"relay", "1024"}, 2, "relay 1024 is outside 0-1023"},
        Run{"BoardOutOfRange", {"replaced", "board", "8"}, 2, "\"8\" is not a board number 0-7"},
        Run{"ExportOfNoKind", {"export"}, 2, "export needs one of --csv and --json"},
        Run{"TopOfNone", {"top", "-n", "0"}, 2, "-n must be 1 or more"},
        Run{"UnknownCommand", {"wear"}, 2, "relayledger: unexpected argument \"wear\""}),
    ByName());

TEST(Relayledger, NoLedgerNamedIsAUsageError)
{
    ChildSpec run({RELAYLEDGER_EXE, "top"}, {"RELAYTEST_LEDGER="});
    run.captureStderr = true;
    const ChildResult result = RunChild(run);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind("relayledger: no ledger named: give --ledger PATH, or set RELAYTEST_LEDGER\n", 0), 0U)
        << result.err;
}

}  // namespace
