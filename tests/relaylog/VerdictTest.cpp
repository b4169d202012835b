// relaylog's verdict on every relay, on relaysweep's records and relaytest's,
// its JUnit report read back with xmllint, and where a record cut short stops.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "Transcript.h"

namespace {

// Lines of a sweep of n boards: three of its frame, an opening switch and
// push for each board (6 lines each), then each board's walk: its first
// relay's step (switch and push, fetch and report, a fetch and report of each
// of the n - 1 other boards, switch and push), then 24 lines for each further
// relay (two switches and pushes, a fetch and its report). A push is a switch
// and five writes, a fetch a control write and four reads, a report 7 lines.
int WalkLines(int n) { return 6 + 12 * n + 6 + 127 * 24; }
// The i-th board of the sweep (i from 0) starts its walk here.
int WalkStart(int i, int n = 8) { return 3 + 6 * n + 1 + WalkLines(n) * i; }
// The control write of the push that closes its first relay.
int ProbePush(int i) { return WalkStart(i) + 5; }
// The last read of the k-th other board read back while that relay is closed.
int ProbeRead(int i, int k) { return WalkStart(i) + 18 + 12 * k + 4; }
// The read of a data word in the read-back after relay c of the board closed.
int OwnRead(int i, int c, int word, int n = 8)
{
    return (c == 0 ? WalkStart(i, n) : WalkStart(i, n) + 6 + 12 * n + 6 + 24 * (c - 1)) + 7 + word;
}

std::string Problem(int line, const std::string& text) { return "PROBLEM line " + std::to_string(line) + ": " + text; }

std::string Summary(int functional, int partly, int unverified, int closed, int open, int erratic)
{
    return "Relays: " + std::to_string(functional) + " functional, " + std::to_string(partly) + " partly verified, " +
           std::to_string(unverified) + " unverified, " + std::to_string(closed) + " stuck closed, " +
           std::to_string(open) + " stuck open, " + std::to_string(erratic) + " erratic";
}

const std::string StuckOn5 = Problem(OwnRead(0, 0, 0), "relay 5 (board 0, row 5, column 0): stuck closed: read back on "
                                                    "every time (136 read-backs), 135 of them pushed off");
std::string StuckOff700(int reads)
{
    return Problem(OwnRead(5, 60, 1), "relay 700 (board 5, row 4, column 7): stuck open: read back off every time (" +
                                          std::to_string(reads) + " read-backs), 1 of them pushed on");
}
const std::string Coupled131 = Problem(OwnRead(1, 2, 0), "relay 131 (board 1, row 3, column 0): erratic: 1 of 136 "
                                                      "read-backs differs from the push; first read back on, pushed "
                                                      "off, when relay 130 was switched");
std::string Landed(int from, int to, int k, int reads = 1)
{
    return Problem(ProbeRead(from, k), "board " + std::to_string(to) + " (relays " + std::to_string(128 * to) + "-" +
                                           std::to_string(128 * to + 127) + ") read back the push to board " +
                                           std::to_string(from) + " at line " + std::to_string(ProbePush(from)) +
                                           " instead of its own: pushes to board " + std::to_string(from) +
                                           " also land on board " + std::to_string(to) + " (" + std::to_string(reads) +
                                           (reads == 1 ? " read-back)" : " read-backs)"));
}
std::string Unanswering(int line, int board, const char* bits, int reads)
{
    return Problem(line, "board " + std::to_string(board) + " (relays " + std::to_string(128 * board) + "-" +
                             std::to_string(128 * board + 127) + ") read back all " + bits + " every time (" +
                             std::to_string(reads) + " read-backs), whatever was pushed: not fitted, or not answering");
}

struct Sweep {
    const char* name;
    const char* relaysim;
    const char* boards;
    std::vector<std::string> problems;  // every PROBLEM line, in order
    std::string summary;
};
void PrintTo(const Sweep& s, std::ostream* os) { *os << s.name; }

class SweepVerdicts : public ::testing::TestWithParam<Sweep> {};

// Each fault is named once, by relay or board, at the first read that showed
// it; the relays are counted by class on the line before the verdict.
TEST_P(SweepVerdicts, NameExactlyTheFaultyRelaysAndBoards)
{
    const Verdict v = Check(SweepRecord(GetParam().relaysim, GetParam().boards));
    const std::size_t count = GetParam().problems.size();
    EXPECT_EQ(v.exitCode, count == 0 ? 0 : 1) << v.out;
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "), GetParam().problems);
    std::istringstream lines(v.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2], GetParam().summary);
    EXPECT_EQ(all.back(), count == 0 ? "PASS: no problems" : "FAIL: " + std::to_string(count) +
                                                                 (count == 1 ? " problem" : " problems"));
}

// Board 3 is the third other board read while board 0's first relay is
// closed (k = 2), board 5 the fifth while board 2's is (k = 4). A board that
// answers all zeros or all ones is named at the end of the first read-back
// that contradicted its push; a board pushed to by another, at the read-back
// that showed that push (board 5 has one read-back fewer of its own then).
INSTANTIATE_TEST_SUITE_P(
    Cards, SweepVerdicts,
    ::testing::Values(
        Sweep{"Healthy", "", "0-7", {}, Summary(1024, 0, 0, 0, 0, 0)},
        Sweep{"Busy", "busy=2", "0-7", {}, Summary(1024, 0, 0, 0, 0, 0)},
        Sweep{"SomeBoards", "", "0,2-3", {}, Summary(384, 0, 640, 0, 0, 0)},
        Sweep{"FaultOnABoardNotSwept", "stuck-on=1023", "0-1", {}, Summary(256, 0, 768, 0, 0, 0)},
        Sweep{"StuckClosed", "stuck-on=5", "0-7", {StuckOn5}, Summary(1023, 0, 0, 1, 0, 0)},
        Sweep{"StuckOpen", "stuck-off=700", "0-7", {StuckOff700(136)}, Summary(1023, 0, 0, 0, 1, 0)},
        Sweep{"Coupled", "coupled=130:131", "0-7", {Coupled131}, Summary(1023, 0, 0, 0, 0, 1)},
        Sweep{"AliasedForward", "alias=2:5", "0-7", {Landed(2, 5, 4)}, Summary(1024, 0, 0, 0, 0, 0)},
        Sweep{"AliasedBack", "alias=6:1", "0-7", {Landed(6, 1, 1)}, Summary(1024, 0, 0, 0, 0, 0)},
        Sweep{"Absent", "absent=3", "0-7", {Unanswering(ProbeRead(0, 2), 3, "ones", 136)}, Summary(896, 0, 0, 128, 0, 0)},
        Sweep{"Deaf",
              "deaf",
              "0,7",
              {Unanswering(OwnRead(0, 0, 3, 2), 0, "zeros", 130), Unanswering(OwnRead(1, 0, 3, 2), 7, "zeros", 130)},
              Summary(0, 0, 768, 0, 256, 0)},
        Sweep{"EveryKind",
              "stuck-on=5,stuck-off=700,coupled=130:131,alias=2:5,absent=3",
              "0-7",
              {StuckOn5, Coupled131, Unanswering(ProbeRead(0, 2), 3, "ones", 136), Landed(2, 5, 4), StuckOff700(135)},
              Summary(893, 0, 0, 129, 1, 1)}),
    ByName{});

// A board is not fitted, or not answering, only on evidence a lone stuck-open
// relay cannot give: two relays or more pushed closed that read back open.
TEST(BoardVerdict, ALoneStuckOpenRelayIsNoBoardFault)
{
    const struct {
        const char* relaysim;
        std::vector<std::string> command;
        std::string problem;  // the only PROBLEM line
    } table[] = {
        {"stuck-off=5", {"close", "5"}, Problem(23, "relay 5 (board 0, row 5, column 0): stuck open: read back off "
                                                    "every time (1 read-back), 1 of them pushed on")},
        {"deaf", {"close", "5", "6"}, Problem(32, "board 0 (relays 0-127) read back all zeros every time (1 "
                                                 "read-back), whatever was pushed: not fitted, or not answering")},
    };
    for (const auto& row : table) {
        const Verdict v = Check(RelayctlRecord(row.relaysim, row.command));
        EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "), std::vector<std::string>{row.problem}) << row.relaysim;
    }
}

// The whole chain as an engineer runs it: relaysweep --yes | relaylog -.
TEST(SweepVerdict, HealthyMatrixThroughBothPrograms)
{
    const ChildResult r = RunChild({{"/bin/sh", "-c", "'" + RelaysweepPath() + "' --yes | '" + RelaylogPath() + "' -"}});
    EXPECT_EQ(r.exitCode, 0);
    const std::string tail = Summary(1024, 0, 0, 0, 0, 0) + "\nPASS: no problems\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(r.out.rfind("Relay sweep (line 1): boards 0-7\nCard check (line 2): card found\n", 0), 0u);
}

// The fixed pass reads boards 0 and 1 back with few relays closed: healthy,
// none of its relays is seen both ways.
TEST(FixedPassVerdict, IsHonestAboutWhatItCovers)
{
    const Verdict v = Check(Golden("healthy.txt"));
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_NE(v.out.find("\n" + Summary(0, 256, 768, 0, 0, 0) + "\nPASS: no problems\n"), std::string::npos) << v.out;
    EXPECT_NE(v.out.find("\nNever read back after a push, every relay unverified: boards 2-7\n"), std::string::npos);
}

// One grid per board judged, each relay marked with its class.
TEST(VerdictGrid, MarksEachRelaysClass)
{
    const std::string grid =
        "Relays of board 0 (0-127), judged over 129 read-backs:\n"
        "         0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n"
        "  row 0  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 1  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 2  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 3  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 4  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 5  C  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 6  O  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n"
        "  row 7  E  F  F  F  F  F  F  F  F  F  F  F  F  F  F  F\n";
    const Verdict v = Check(SweepRecord("stuck-on=5,stuck-off=6,coupled=0:7", "0"));
    EXPECT_NE(v.out.find("\nRelay verdicts: F functional, p partly verified, ? unverified, C stuck closed, O stuck "
                         "open, E erratic\n" + grid + "Never read back after a push, every relay unverified: boards "
                         "1-7\n"),
              std::string::npos)
        << v.out;
}

const std::string Died = ": the run died there, or the record is cut short";
const std::string BeforeSweepEnd = ", before \"Sweep complete\"" + Died;

struct Cut {
    const char* name;
    std::function<std::string()> record;
    std::string error;  // the last line
};
void PrintTo(const Cut& c, std::ostream* os) { *os << c.name; }

class CutShort : public ::testing::TestWithParam<Cut> {};

// A record cut short is no verdict (exit 2), but its last line says where
// the run stopped and what was under way, so that a run that died can be told
// from a damaged file.
TEST_P(CutShort, SaysWhereItStoppedAndWhatWasUnderWay)
{
    const Verdict v = Check(GetParam().record());
    EXPECT_EQ(v.exitCode, 2) << v.out;
    EXPECT_EQ(LastLine(v.out), GetParam().error);
}

// Board 0's sweep: frame at lines 1-3, its opening switch and push at 4-9,
// relay 0 switched on at 10 and pushed at 11-15, fetched at 16-20 and
// reported at 21-27; the last relay's last push at 3076-3081, the board's last
// read-back at 3082-3093, and "Sweep complete" at 3094.
std::string BoardZero() { return SweepRecord("", "0"); }

INSTANTIATE_TEST_SUITE_P(
    Records, CutShort,
    ::testing::Values(
        Cut{"AfterTheSweepHeading", [] { return KeepLines(1)(BoardZero()); },
            "ERROR line 1: the record stops here, after relaysweep's first line" + BeforeSweepEnd},
        Cut{"AfterTheRevision", [] { return KeepLines(3)(BoardZero()); },
            "ERROR line 3: the record stops here, after the FPGA revision line" + BeforeSweepEnd},
        Cut{"InAPush", [] { return KeepLines(13)(BoardZero()); },
            "ERROR line 13: the record stops here, during the push for relay 0 that began at line 10 (3 writes of 5 "
            "done)" + BeforeSweepEnd},
        Cut{"InsideALineAfterItsPoll",
            [] { return KeepLines(11)(BoardZero()) + BusyTrace(0); },
            "ERROR line 12: the record ends inside this line, after 1 busy check, during the push for relay 0 that "
            "began at line 10 (1 write of 5 done)" + BeforeSweepEnd},
        Cut{"InAFetch", [] { return KeepLines(18)(BoardZero()); },
            "ERROR line 18: the record stops here, during the fetch of board 0 that began at line 16 (2 reads of 4 "
            "done)" + BeforeSweepEnd},
        Cut{"InAReport", [] { return KeepLines(23)(BoardZero()); },
            "ERROR line 23: the record stops here, during the report of board 0 fetched at line 16 (3 lines of 7 "
            "done)" + BeforeSweepEnd},
        Cut{"BeforeItsLastLine", [] { return KeepLines(3093)(BoardZero()); },
            "ERROR line 3093: the record stops here, after the report of board 0 fetched at line 3082" +
                BeforeSweepEnd},
        Cut{"FixedPassAfterAReport", [] { return KeepLines(38)(Golden("healthy.txt")); },
            "ERROR line 38: the record stops here, after the report of board 0 fetched at line 27, before the "
            "closing prompt" + Died},
        Cut{"FixedPassAfterTheCardCheck", [] { return KeepLines(1)(Golden("healthy.txt")); },
            "ERROR line 1: the record stops here, after the card check, before the closing prompt" + Died},
        Cut{"ClosedByRelaytestsPrompt",
            [] { return ReplaceLine(3094, "Press enter to exit")(BoardZero()); },
            "ERROR line 3094: the record stops here, after the report of board 0 fetched at line 3082" +
                BeforeSweepEnd},
        Cut{"HeadingNotAsRelaysweepSpellsIt", [] { return ReplaceLine(1, "Relay sweep of boards 0,1")(BoardZero()); },
            "ERROR line 1: not a line relaytest prints: \"Relay sweep of boards 0,1\""}),
    ByName{});

struct Framing {
    const char* name;
    std::function<std::string()> record;
    std::string problem;  // the only PROBLEM line
};
void PrintTo(const Framing& f, std::ostream* os) { *os << f.name; }

class FramingOutOfPlace : public ::testing::TestWithParam<Framing> {};

TEST_P(FramingOutOfPlace, IsAProblem)
{
    const Verdict v = Check(GetParam().record());
    EXPECT_EQ(v.exitCode, 1) << v.out;
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "), std::vector<std::string>{GetParam().problem});
}

INSTANTIATE_TEST_SUITE_P(
    Records, FramingOutOfPlace,
    ::testing::Values(
        Framing{"SecondSweepHeading", [] { return InsertBefore(10, "Relay sweep of boards 0\n")(BoardZero()); },
                "PROBLEM line 10: relaysweep's first line out of place in a sweep record"},
        Framing{"RelaytestsPromptInASweep", [] { return InsertBefore(3094, "Press enter to exit\n")(BoardZero()); },
                "PROBLEM line 3094: relaytest's closing prompt out of place in a sweep record"},
        Framing{"NoCardThoughACardWasFound", [] { return ReplaceLine(3094, "Sweep stopped: no card")(BoardZero()); },
                "PROBLEM line 3094: relaysweep's \"Sweep stopped: no card\", though the card check found a card"},
        Framing{"SweepEndInTheFixedPass", [] { return InsertBefore(75, "Sweep complete\n")(Golden("healthy.txt")); },
                "PROBLEM line 75: relaysweep's last line \"Sweep complete\" out of place in a relaytest record"},
        Framing{"AnotherFramesLastLine",
                [] { return InsertBefore(34, "Session complete\n")(RelayctlRecord("", {"close", "5"})); },
                "PROBLEM line 34: relaymatrix's last line \"Session complete\" out of place in a relayctl record"},
        Framing{"LedgerLineAfterTheFirstStep", [] { return InsertBefore(10, "Ledger: station.ledger\n")(BoardZero()); },
                "PROBLEM line 10: the \"Ledger:\" line out of place in a sweep record"},
        Framing{"PauseAfterASweep", [] { return BoardZero() + "Press any key to continue . . . "; },
                "PROBLEM line 3095: a line after the closing prompt"}),
    ByName{});

}  // namespace
