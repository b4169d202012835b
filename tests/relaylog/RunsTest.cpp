// Files of several runs, the baseline's like-with-like comparison, one fault
// one PROBLEM line, relayctl's new record lines, and the documented PROBLEM
// lines against the kind table.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Findings.h"
#include "Reports.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"

namespace {


TEST(Runs, AHealthyRunThenAFaultyOneEachJudgedTheFileFails)
{
    const Verdict v = Check(RelaytestRecord("") + RelaytestRecord("stuck-off=254"));
    EXPECT_EQ(v.exitCode, 1) << v.out;
    EXPECT_EQ(v.out.rfind("Run 1 (lines 1-76): relaytest\nRelays: 0 functional, 256 partly verified, 768 unverified, "
                          "0 stuck closed, 0 stuck open, 0 erratic\nPASS: no problems\n\nRun 2 (lines 77-152): "
                          "relaytest\n", 0), 0u) << v.out;
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM ").back(),
              "PROBLEM line 143: relay 254 (board 1, row 6, column 15): stuck open: read back off every time (1 "
              "read-back), 1 of them pushed on");
    EXPECT_NE(v.out.find("\nThe file holds 2 runs: 1 PASS, 1 FAIL, 0 not complete\nFAIL: 2 problems\n"),
              std::string::npos) << v.out;
    // A run that died is followed by the next.
    const std::string sweep = SweepRecord("", "0");
    EXPECT_EQ(LastLine(Check(KeepLines(40)(sweep) + sweep).out).rfind("ERROR line 40: the record stops here", 0), 0u);
}

TEST(Runs, EachRunIsATestSuiteOfItsOwn)
{
    const std::string junit = Scratch("runs.xml");
    const std::string record = RelaytestRecord("") + SweepRecord("stuck-on=5", "0");
    EXPECT_EQ(RunProgram("relaylog", {"--junit", junit, "-"}, "", Typed(record)).exitCode, 1);
    EXPECT_EQ(XPath(junit, "string(/testsuites/testsuite[@failures='1']/@name)"),
              "relaylog standard input run 2 (lines 77-3170): relaysweep");
}

TEST(Runs, OneHundredAndSixtyHealthyRunsTakeAFewLines)
{
    std::string file;
    for (int run = 0; run < 160; ++run)
        file += RelaytestRecord("");
    const Verdict v = Check(file);
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out, "Runs 1-160 (lines 1-12160): relaytest\nPASS: no problems, each\n\n"
                     "The file holds 160 runs: 160 PASS, 0 FAIL, 0 not complete\nPASS: no problems\n");
}

// However damaged, the report stays short and the count exact: 60 read-backs
// of relayctl's, and 120 lines after its last.
TEST(Runs, PastFiftyOfAKindAreCounted)
{
    const std::string record = RelayctlRecord("", {"show", "0"});
    std::string many = record.substr(0, LineStart(record, 4));
    for (int i = 0; i < 60; ++i)
        many += record.substr(LineStart(record, 4), LineStart(record, 16) - LineStart(record, 4));
    many += "Control complete\n";
    for (int line = 0; line < 120; ++line)
        many += "Control complete\n";
    const Verdict v = Check(many);
    EXPECT_EQ(LinesStartingWith(v.out, "Board 0 ").size(), 50u);
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM ").size(), 50u);
    EXPECT_NE(v.out.find("\n\n... and 10 more read-backs, not drawn\n... and 70 more PROBLEM lines of the kind of "
                         "line 725\n"), std::string::npos) << v.out;
    EXPECT_EQ(LastLine(v.out), "FAIL: 120 problems");
}

// Only relays verified in both records are compared.
TEST(Baseline, ComparesLikeWithLike)
{
    const struct {
        std::string old, now;
        const char* summary;
    } table[] = {
        {SweepRecord(""), SweepRecord("", "1"), "Since baseline: 0 worse, 0 better, 128 unchanged, 896 not compared"},
        {SweepRecord(""), RelaytestRecord(""), "Since baseline: 0 worse, 0 better, 256 unchanged, 768 not compared"},
        {SweepRecord("", "0"), SweepRecord("stuck-on=5"), "Since baseline: 1 worse, 0 better, 127 unchanged, 896 not "
                                                           "compared"}};
    for (const auto& row : table) {
        const std::string old = Scratch("old.log");
        std::ofstream(old, std::ios::binary) << row.old;
        EXPECT_EQ(LastLine(RunProgram("relaylog", {"--baseline", old, "-"}, "", Typed(row.now)).out),
                  row.summary);
    }
}

TEST(OneFault, OneProblemLine)
{
    const Verdict v = Check(RelayctlRecord("stuck-off=5", {"close", "5", "6"}));
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 29: relay 5 (board 0, row 5, column 0): stuck open: read back "
                                       "off every time (1 read-back), 1 of them pushed on"});
    EXPECT_EQ(LastLine(v.out), "FAIL: 1 problem");
}

const std::string Idle = "  [[[ SPI Busy Check 100 ?? 00000000 ]]]  ";

// Board 0's fetch and report, each word the same.
std::string Fetch(const std::string& word)
{
    std::string text = Idle + "100 << 00000000\n";
    for (const char* offset : {"104", "108", "10C", "110"})
        text.append(Idle).append(offset).append(" ?? ").append(word).append("\n");
    text += "\r\nBoard #0\r\n";
    for (const char* range : {" 0 to  31", "32 to  63", "64 to  95", "96 to 127"})
        text += "[" + word + "] = Relays " + range + " = " + std::string(32, word == "00000000" ? '.' : 'X') + "\r\n";
    return text + "--------\r\n";
}

// relayctl pushes a board that read back all ones all open, and its
// read-back after says whether it opened; its refusal by its per-board limit
// is the operator's, not the card's.
TEST(NewLines, OpenAllOfABoardThatReadBackAllOnesAndALimitRefusal)
{
    std::string head = "Relay control: open all\nSuccess\nFPGA Rev: 0002A1F7\n" + Fetch("FFFFFFFF");
    head += "Turning off relay    0\n";
    for (const char* offset : {"104", "108", "10C", "110"})
        head.append(Idle).append(offset).append(" << 00000000\n");
    head += Idle + "100 << 00000080\n";
    EXPECT_EQ(Check(head + Fetch("00000000") + "Control complete\n").exitCode, 0);
    EXPECT_EQ(LinesStartingWith(Check(head + Fetch("FFFFFFFF") + "Control complete\n").out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 26: board 0 (relays 0-127) read back all ones every time (1 "
                                       "read-back), whatever was pushed: not fitted, or not answering"});
    EXPECT_EQ(Check(KeepLines(15)(RelayctlRecord("", {"close", "5"})) +
                    "Board 0 refused: closing 5 relays would leave 40 closed, above the limit of 32\nControl complete\n")
                  .exitCode,
              0);
}

// The relaymatrix library's record: relayctl's lines, refusals too, between
// its own first and last lines; cut short, it names the line it lacks.
TEST(NewLines, RelaymatrixSession)
{
    const std::string head = "Relay matrix session\nSuccess\nFPGA Rev: 0002A1F7\nCommand: close 2:2:0,2:7:0\n" +
                             Fetch("00000000") + "Command refused: closing 2:7:0 would join I+ and 0V\n";
    EXPECT_EQ(Check(head + "Session complete\n").exitCode, 0);
    const auto cut = Check(head);
    EXPECT_EQ(cut.exitCode, 2);
    EXPECT_NE(cut.out.find("before \"Session complete\""), std::string::npos) << cut.out;
}

// Lines as long as the programs write them: a command of 1,318 characters, as
// the library writes when it opens every relay of a session, in a Command
// line, a heading and a stop line; a line past the bound is still refused.
TEST(NewLines, LinesAsLongAsTheProgramsWriteThem)
{
    std::string command = "open 0";
    for (int relay = 1; command.size() < 1309; ++relay)
        command += "," + std::to_string(relay);
    command.resize(1309);
    const std::string record = RelayctlRecord("", {"close", "5"});
    const struct {
        std::string record;
        int exitCode;
    } table[] = {
        {InsertBefore(4, "Command: " + command + "\n")(record), 0},
        {ReplaceLine(1, "Relay control: " + command)(record), 0},
        {KeepLines(15)(record) + "Control stopped: interrupted by SIGINT during " + command + "; no board pushed\n", 1},
        {InsertBefore(4, "Command: " + std::string(70000, 'x') + "\n")(record), 2},
    };
    EXPECT_EQ(("Command: " + command).size(), 1318u);
    for (const auto& row : table)
        EXPECT_EQ(Check(row.record).exitCode, row.exitCode) << LastLine(Check(row.record).out);
}

// Every sentence of the kind table is in docs/relaylog.md, in the row of its case.
TEST(Docs, ListEveryPlainProblemLineUnderItsCase)
{
    std::ostringstream docs;
    docs << std::ifstream(RELAYLOG_DOCS).rdbuf();
    const std::string text = docs.str();
    const char* const cases[] = {"| card check |", "| SPI waits |", "| protocol |"};
    for (auto k = static_cast<std::size_t>(relaylog::FirstFixed); k < relaylog::KindCount; ++k) {
        const std::string sentence = relaylog::Describe(relaylog::Finding{0, static_cast<relaylog::Kind>(k)});
        const std::size_t at = text.find("`" + sentence + "`");
        const std::string row = cases[static_cast<int>(relaylog::ConcernOf(static_cast<relaylog::Kind>(k)))];
        ASSERT_NE(at, std::string::npos) << sentence;
        EXPECT_EQ(text.compare(text.rfind('\n', at) + 1, row.size(), row), 0) << sentence;
    }
}

}  // namespace
