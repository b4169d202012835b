// relaylog on records written by the real relaytest on the simulated card, and
// on edited copies of the healthy golden transcript.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RecordCheck.h"
#include "RecordReader.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"
#include "Transcript.h"

using relaylog::LineKind;
using relaylog::ReadResult;
using relaylog::RecordLine;
using relaylog::RecordReader;

namespace {

std::string RelayDiffers(int line, int relay, int row, int column, bool pushedOn)
{
    return "PROBLEM line " + std::to_string(line) + ": relay " + std::to_string(relay) + " (board " +
           std::to_string(relay / 128) + ", row " + std::to_string(row) + ", column " + std::to_string(column) +
           "): " + (pushedOn ? "pushed on, read back off" : "pushed off, read back on");
}
std::string Lost(int line, int relay, int row, int column) { return RelayDiffers(line, relay, row, column, true); }
std::string Stuck(int line, int relay, int row, int column) { return RelayDiffers(line, relay, row, column, false); }

// The verdict on one relay, at the first read that showed it.
std::string RelayVerdict(int line, int relay, int row, int column, const std::string& verdict)
{
    const std::string named = RelayDiffers(line, relay, row, column, true);
    return named.substr(0, named.find("): ") + 3) + verdict;
}
std::string StuckClosed(int line, int relay, int row, int column, int reads)
{
    return RelayVerdict(line, relay, row, column, "stuck closed: read back on every time (" + std::to_string(reads) +
                                                 (reads == 1 ? " read-back), 1" : " read-backs), " + std::to_string(reads)) +
                                                 " of them pushed off");
}
// A board whose read-backs of the fixed pass were all zeros.
std::string Silent(int line, int board, int reads)
{
    return "PROBLEM line " + std::to_string(line) + ": board " + std::to_string(board) + " (relays " +
           std::to_string(128 * board) + "-" + std::to_string(128 * board + 127) + ") read back all zeros every time (" +
           std::to_string(reads) + (reads == 1 ? " read-back" : " read-backs") +
           "), whatever was pushed: not fitted, or not answering";
}

// relaytest on the simulated card that RELAYSIM describes, its record handed
// to relaylog - as through a pipe.
ChildResult RunRelaytestIntoRelaylog(const std::string& relaysim)
{
    return RunProgram("relaylog", {"-"}, "", Typed(RelaytestRecord(relaysim)));
}

struct RealRun {
    const char* name;
    const char* relaysim;
    std::vector<std::string> problems;  // every PROBLEM line, in order
};

void PrintTo(const RealRun& run, std::ostream* os) { *os << run.name; }

class RealRecords : public ::testing::TestWithParam<RealRun> {};

// relaytest | relaylog -: the verdict, its exit status, and each fault named
// by relay, board, row and column at the line of the read that showed it.
TEST_P(RealRecords, NamesEachFaultExactly)
{
    const ChildResult r = RunRelaytestIntoRelaylog(GetParam().relaysim);
    const std::size_t count = GetParam().problems.size();
    EXPECT_EQ(r.exitCode, count == 0 ? 0 : 1) << r.out;
    EXPECT_EQ(LinesStartingWith(r.out, "PROBLEM "), GetParam().problems);
    EXPECT_EQ(LastLine(r.out), count == 0    ? std::string("PASS: no problems")
                               : count == 1 ? std::string("FAIL: 1 problem")
                                            : "FAIL: " + std::to_string(count) + " problems");
}

// The read-backs are at lines 28-31 and 52-55 (board 0) and 64-67 (board 1).
// After the record, each stuck relay and silent board is named once more with
// its verdict.
INSTANTIATE_TEST_SUITE_P(
    Cards, RealRecords,
    ::testing::Values(
        RealRun{"healthy", "", {}},
        RealRun{"busy", "busy=2", {}},
        // Boards that ignore writes read back nothing the script switched on.
        RealRun{"deaf",
                "deaf",
                {Lost(28, 0, 0, 0), Lost(28, 8, 0, 1), Lost(31, 100, 4, 12), Lost(31, 105, 1, 13), Lost(52, 0, 0, 0),
                 Lost(52, 8, 0, 1), Lost(55, 100, 4, 12), Lost(55, 105, 1, 13), Lost(64, 129, 1, 0),
                 Lost(67, 254, 6, 15), Silent(31, 0, 2), Silent(67, 1, 1)}},
        // Without a card every read returns 0: the missing card comes first.
        RealRun{"nocard",
                "cards=0",
                {"PROBLEM line 1: no card found: the driver reported no card", Lost(28, 0, 0, 0), Lost(28, 8, 0, 1),
                 Lost(31, 100, 4, 12), Lost(31, 105, 1, 13), Lost(52, 0, 0, 0), Lost(52, 8, 0, 1),
                 Lost(55, 100, 4, 12), Lost(55, 105, 1, 13), Lost(64, 129, 1, 0), Lost(67, 254, 6, 15),
                 Silent(31, 0, 2), Silent(67, 1, 1)}},
        RealRun{"stuckon37", "stuck-on=37", {Stuck(29, 37, 5, 4), Stuck(53, 37, 5, 4), StuckClosed(29, 37, 5, 4, 2)}},
        RealRun{"stuckon127", "stuck-on=127",
                {Stuck(31, 127, 7, 15), Stuck(55, 127, 7, 15), StuckClosed(31, 127, 7, 15, 2)}},
        RealRun{"stuckon128", "stuck-on=128", {Stuck(64, 128, 0, 0), StuckClosed(64, 128, 0, 0, 1)}},
        RealRun{"stuckoff254", "stuck-off=254",
                {Lost(67, 254, 6, 15),
                 RelayVerdict(67, 254, 6, 15, "stuck open: read back off every time (1 read-back), 1 of them pushed on")}},
        // Board 7 is never read back, so nothing in the record can show this.
        RealRun{"stuckon1023", "stuck-on=1023", {}}),
    ByName{});

// The 19 MB record of a controller that never clears busy: each of the 45
// accesses is named on its own line, and nothing else is wrong.
TEST(StuckBusy, NamesEveryWaitThatRanToTheLimit)
{
    const ChildResult r = RunRelaytestIntoRelaylog("stuck-busy");
    EXPECT_EQ(r.exitCode, 1);

    // The same accesses as in the healthy run, at the same lines.
    std::vector<std::string> expected;
    std::istringstream healthy(Golden("healthy.txt"));
    RecordReader reader(healthy);
    for (RecordLine line; reader.Next(line) == ReadResult::Line;) {
        if (line.kind == LineKind::Access)
            expected.push_back("PROBLEM line " + std::to_string(line.number) +
                               ": the controller was still busy after 10000 polls (the limit) before ");
    }
    ASSERT_EQ(expected.size(), 45u);
    const std::vector<std::string> problems = LinesStartingWith(r.out, "PROBLEM ");
    ASSERT_EQ(problems.size(), expected.size()) << r.out;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(problems[i].compare(0, expected[i].size(), expected[i]), 0) << problems[i];
    EXPECT_EQ(problems[0], expected[0] + "the write of 00000001 to 104 (SpiData0) in the push for relay 0 (line 3); "
                                         "the access went ahead anyway");
    EXPECT_EQ(problems[20], expected[20] + "the write of 00000000 to 100 (SpiControl) starting the fetch of board 0; "
                                           "the access went ahead anyway");
    EXPECT_EQ(LastLine(r.out), "FAIL: 45 problems");
}

// One access line carrying three million polls (126 MB) is read in 16 MB of
// address space: the polls are never held, only counted.
TEST(StuckBusy, AnEndlessWaitIsReadWithFlatMemory)
{
    const std::string golden = GoldenPath("healthy.txt");
    const std::string poll = BusyTrace(0x80000000);
    const ChildResult r = RunChild({{"/bin/sh", "-c",
                                     "{ head -n 3 '" + golden + "'; yes '" + poll +
                                         "' | head -n 3000000 | tr -d '\\n'; tail -n +4 '" + golden +
                                         "'; } | (ulimit -v 16000 && exec '" + RelaylogPath() + "' -)"}});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(LinesStartingWith(r.out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 4: the write of 00000001 to 104 (SpiData0) in the push for relay "
                                       "0 (line 3) comes after 3000001 busy checks, more than the 10000-poll limit"});
}

struct Form {
    const char* name;
    std::function<std::string()> record;
};
void PrintTo(const Form& form, std::ostream* os) { *os << form.name; }

class HealthyForms : public ::testing::TestWithParam<Form> {};

TEST_P(HealthyForms, Pass)
{
    const Verdict v = Check(GetParam().record());
    EXPECT_EQ(v.exitCode, 0) << v.out;
    EXPECT_EQ(LastLine(v.out), "PASS: no problems");
    EXPECT_EQ(LinesStartingWith(v.out, "Board ").size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, HealthyForms,
    ::testing::Values(
        Form{"Linux", [] { return Golden("healthy.txt"); }},
        Form{"Windows", [] { return WindowsText(Golden("healthy.txt")); }},
        Form{"WindowsPaused", [] { return WindowsText(Golden("healthy.txt")) + "Press any key to continue . . . "; }},
        Form{"WindowsPausedAndKeyPressed",
             [] { return WindowsText(Golden("healthy.txt")) + "Press any key to continue . . . \r\n"; }}),
    ByName{});

// Rows down, columns across: relay c of a board is row c mod 8, column c div 8.
TEST(Grid, ShowsTheBoardAsCrosspointsAndMarksDifferences)
{
    const std::string board0 =
        "Board 0 (relays 0-127) read back at lines 27-31, compared with the push at line 26:\n"
        "         0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n"
        "  row 0  X  X  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 1  .  .  .  .  .  .  .  .  .  .  .  .  .  X  .  .\n"
        "  row 2  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 3  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 4  .  .  .  .  .  .  .  .  .  .  .  .  X  .  .  .\n"
        "  row 5  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 6  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 7  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  all 128 relays as pushed\n";
    EXPECT_NE(Check(Golden("healthy.txt")).out.find(board0), std::string::npos);

    const std::string deafBoard1 =
        "Board 1 (relays 128-255) read back at lines 63-67, compared with the push at line 50:\n"
        "         0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n"
        "  row 0  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 1 [.] .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 2  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 3  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 4  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 5  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  row 6  .  .  .  .  .  .  .  .  .  .  .  .  .  .  . [.]\n"
        "  row 7  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .  .\n"
        "  2 relays differ from the push, marked [ ]\n";
    EXPECT_NE(Check(Golden("deaf.txt")).out.find(deafBoard1), std::string::npos);
}

const std::string Idle = BusyTrace(0);
const std::string Busy = BusyTrace(0x80000000);

struct Damage {
    const char* name;
    Edit edit;
    int exitCode;
    std::string expected;  // exit 2: the last line; exit 1: the first PROBLEM line
};

void PrintTo(const Damage& damage, std::ostream* os) { *os << damage.name; }

class DamagedRecords : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedRecords, SayWhichLineAndWhy)
{
    const Verdict v = Check(GetParam().edit(Golden("healthy.txt")));
    EXPECT_EQ(v.exitCode, GetParam().exitCode) << v.out;
    if (GetParam().exitCode == 2) {
        EXPECT_EQ(LastLine(v.out), GetParam().expected);
    } else {
        const std::vector<std::string> problems = LinesStartingWith(v.out, "PROBLEM ");
        ASSERT_FALSE(problems.empty()) << v.out;
        EXPECT_EQ(problems[0], GetParam().expected);
    }
}

// The analyser loses the std::function copies in GoogleTest's value list; LeakSanitizer runs it clean.
// NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
INSTANTIATE_TEST_SUITE_P(
    NotRecords, DamagedRecords,
    ::testing::Values(
        Damage{"Empty", Replace(""), 2, "ERROR: the input is empty: not a relaytest record"},
        Damage{"Binary", Replace(std::string("\x7F" "ELF\0\x01\n", 7)), 2,
               "ERROR line 1: not a line relaytest prints: \"\\x7FELF\\x00\\x01\""},
        Damage{"NoLineEnds", Replace(std::string(300, 'A')), 2,
               "ERROR line 1: longer than any line relaytest prints: \"" + std::string(60, 'A') + "...\""},
        Damage{"HeadCutOff", DeleteLine(1), 2,
               "ERROR line 1: not a relaytest record: it does not start with the card check"},
        Damage{"CutInsideALine", Keep(1000), 2,
               "ERROR line 22: the record ends inside this line, during the push for relay 8 that began at line 21 (0 "
               "writes of 5 done), before the closing prompt: the run died there, or the record is cut short"},
        Damage{"CutAfterALine", [](const std::string& record) { return record.substr(0, LineStart(record, 41)); }, 2,
               "ERROR line 40: the record stops here, during the push for relay 129 that began at line 39 (1 write of "
               "5 done), before the closing prompt: the run died there, or the record is cut short"},
        Damage{"LowerCaseHex", ReplaceLine(31, Idle + "110 ?? 0000021a"), 2,
               "ERROR line 31: not a line relaytest prints: \"110 ?? 0000021a\""},
        Damage{"WidePaddedRelay", ReplaceLine(39, "Turning on relay   129"), 2,
               "ERROR line 39: not a line relaytest prints: \"Turning on relay   129\""},
        Damage{"BrokenPoll", ReplaceLine(10, "  [[[ SPI Busy Chek 100 ?? 00000000 ]]]  104 << 00000001"), 2,
               "ERROR line 10: not a line relaytest prints: \"  [[[ SPI Busy Chek 100 ?? 00000000 ]]]  104 << "
               "00000001\""},
        Damage{"ShortPollValue", ReplaceLine(10, Busy + "  [[[ SPI Busy Check 100 ?? 0000000 ]]]  104 << 00000001"), 2,
               "ERROR line 10: malformed busy-check poll \"  [[[ SPI Busy Check 100 ?? 0000000 ]]]  \""},
        Damage{"PollsAlone", ReplaceLine(10, Idle), 2,
               "ERROR line 10: busy-check polls with no register access after them"},
        Damage{"MapLetter", ReplaceLine(34, "[00000101] = Relays  0 to  31 = X.......x......................."), 2,
               "ERROR line 34: not a line relaytest prints: "
               "\"[00000101] = Relays  0 to  31 = X.......x......................\""},
        Damage{"CarriageReturnInside", ReplaceLine(3, "Turning on\r relay    0"), 2,
               "ERROR line 3: not a line relaytest prints: \"Turning on\\r relay    0\""}),
    ByName{});

// The program's command line and its exit status: 0 PASS, 1 FAIL, 2 no record.
struct Invocation {
    const char* name;
    const char* arguments;  // run in the golden transcripts' folder
    int exitCode;
};
void PrintTo(const Invocation& call, std::ostream* os) { *os << "relaylog " << call.arguments; }

class CommandLine : public ::testing::TestWithParam<Invocation> {};

TEST_P(CommandLine, ExitStatus)
{
    const ChildResult r = RunChild({{"/bin/sh", "-c", "cd '" + GoldenPath("") + "' && '" + RelaylogPath() + "' " +
                                                          GetParam().arguments}});
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Files, CommandLine,
                         ::testing::Values(Invocation{"HealthyFile", "healthy.txt", 0},
                                           Invocation{"HealthyInput", "- <healthy.txt", 0},
                                           Invocation{"DeafFile", "deaf.txt", 1},
                                           Invocation{"NoCardInput", "- <nocard.txt", 1},
                                           Invocation{"MissingFile", "no-such-file.txt", 2},
                                           Invocation{"NoArgument", "", 2},
                                           Invocation{"TwoFiles", "healthy.txt deaf.txt", 2},
                                           Invocation{"EmptyInput", "- </dev/null", 2},
                                           Invocation{"Folder", ".", 2}),
                         ByName{});

}  // namespace
