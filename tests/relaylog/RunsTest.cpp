// Files of several runs, the baseline's like-with-like comparison, one fault
// one PROBLEM line, relayctl's new record lines, and the documented PROBLEM
// lines against the kind table.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "Child.h"
#include "Findings.h"
#include "Paths.h"
#include "RelaylogSupport.h"

namespace {

using relaylog::PlainKind;

TEST(Runs, AHealthyRunThenAFaultyOneEachJudgedTheFileFails)
{
    const std::string healthy = RelaytestRecord("");
    const Verdict v = Check(healthy + RelaytestRecord("stuck-off=254"));
    EXPECT_EQ(v.exitCode, 1) << v.out;
    EXPECT_EQ(v.out.rfind("Run 1 (lines 1-76): relaytest\nRelays: 0 functional, 256 partly verified, 768 unverified, "
                          "0 stuck closed, 0 stuck open, 0 erratic\nPASS: no problems\n\nRun 2 (lines 77-152): "
                          "relaytest\n", 0), 0u) << v.out;
    const std::vector<std::string> problems = LinesStartingWith(v.out, "PROBLEM ");
    ASSERT_EQ(problems.size(), 2u) << v.out;
    EXPECT_EQ(problems[1], "PROBLEM line 143: relay 254 (board 1, row 6, column 15): stuck open: read back off every "
                           "time (1 read-back), 1 of them pushed on");
    EXPECT_NE(v.out.find("\nThe file holds 2 runs: 1 PASS, 1 FAIL, 0 not complete\nFAIL: 2 problems\n"),
              std::string::npos) << v.out;
}

TEST(Runs, EachRunIsATestSuiteOfItsOwn)
{
    const std::string junit = Scratch("runs.xml");
    const std::string record = RelaytestRecord("") + SweepRecord("stuck-on=5", "0");
    EXPECT_EQ(RunChild({{RelaylogPath(), "--junit", junit, "-"}, {}, ChildInput::Text, record}).exitCode, 1);
    EXPECT_EQ(XPath(junit, "count(/testsuites/testsuite[@failures='0'])"), "1");
    EXPECT_EQ(XPath(junit, "string(/testsuites/testsuite[@failures='1']/@name)"),
              "relaylog standard input run 2 (lines 77-3170): relaysweep");
}

TEST(Runs, OneHundredAndSixtyHealthyRunsTakeAFewLines)
{
    const std::string healthy = RelaytestRecord("");
    std::string file;
    for (int run = 0; run < 160; ++run)
        file += healthy;
    const Verdict v = Check(file);
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out, "Runs 1-160 (lines 1-12160): relaytest\nPASS: no problems, each\n\n"
                     "The file holds 160 runs: 160 PASS, 0 FAIL, 0 not complete\nPASS: no problems\n");
}

// A sweep saved twice, the second cut short: the first passes, the second is
// not complete, and so neither is the file.
TEST(Runs, ARunCutShortMakesTheFileAnError)
{
    const std::string sweep = SweepRecord("", "0");
    const Verdict v = Check(sweep + KeepLines(40)(sweep));
    EXPECT_EQ(v.exitCode, 2) << v.out;
    EXPECT_EQ(LastLine(v.out).rfind("ERROR line 3134: the record stops here", 0), 0u) << v.out;
}

// However damaged, the report stays short and the count exact.
TEST(Runs, PastFiftyFindingsOfOneKindAreCounted)
{
    std::string record = RelaytestRecord("");
    for (int line = 0; line < 120; ++line)
        record += "--------\r\n";
    const Verdict v = Check(record);
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM ").size(), 50u);
    EXPECT_NE(v.out.find("\n... and 70 more PROBLEM lines of the kind of line 77\n"), std::string::npos) << v.out;
    EXPECT_EQ(LastLine(v.out), "FAIL: 120 problems");
}

TEST(Runs, PastFiftyReadBacksAreCountedNotDrawn)
{
    const std::string record = RelayctlRecord("", {"show", "0"});
    const std::size_t fetch = LineStart(record, 4);
    const std::string fetches = record.substr(fetch, LineStart(record, 16) - fetch);
    std::string many = record.substr(0, fetch);
    for (int i = 0; i < 60; ++i)
        many += fetches;
    const Verdict v = Check(many + "Control complete\n");
    EXPECT_EQ(v.exitCode, 0) << v.out;
    EXPECT_EQ(LinesStartingWith(v.out, "Board 0 ").size(), 50u);
    EXPECT_NE(v.out.find("\n... and 10 more read-backs, not drawn\n"), std::string::npos) << v.out;
}

struct BaselineCase {
    const char* name;
    std::string (*old)();
    std::string (*now)();
    const char* summary;
};

void PrintTo(const BaselineCase& c, std::ostream* os) { *os << c.name; }

class LikeWithLike : public ::testing::TestWithParam<BaselineCase> {};

TEST_P(LikeWithLike, OnlyRelaysVerifiedInBothAreCompared)
{
    const std::string old = Scratch("old.log");
    std::ofstream(old, std::ios::binary) << GetParam().old();
    const ChildResult r =
        RunChild({{RelaylogPath(), "--baseline", old, "-"}, {}, ChildInput::Text, GetParam().now()});
    EXPECT_EQ(LastLine(r.out), GetParam().summary) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Records, LikeWithLike,
    ::testing::Values(BaselineCase{"FullThenOneBoard", [] { return SweepRecord(""); },
                                   [] { return SweepRecord("", "1"); },
                                   "Since baseline: 0 worse, 0 better, 128 unchanged, 896 not compared"},
                      BaselineCase{"SweepThenRelaytest", [] { return SweepRecord(""); },
                                   [] { return RelaytestRecord(""); },
                                   "Since baseline: 0 worse, 0 better, 256 unchanged, 768 not compared"},
                      BaselineCase{"OneBoardThenAFault", [] { return SweepRecord("", "0"); },
                                   [] { return SweepRecord("stuck-on=5"); },
                                   "Since baseline: 1 worse, 0 better, 127 unchanged, 896 not compared"}),
    ByName{});

TEST(OneFault, OneProblemLine)
{
    const Verdict v = Check(RelayctlRecord("stuck-off=5", {"close", "5", "6"}));
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 29: relay 5 (board 0, row 5, column 0): stuck open: read back "
                                       "off every time (1 read-back), 1 of them pushed on"});
    EXPECT_EQ(LastLine(v.out), "FAIL: 1 problem");
}

// relayctl's refusal by its per-board limit is the operator's, not the card's.
TEST(NewLines, ALimitRefusalPasses)
{
    const Verdict v = Check(KeepLines(15)(RelayctlRecord("", {"close", "5"})) +
                            "Board 0 refused: closing 5 relays would leave 40 closed, above the limit of 32\n"
                            "Control complete\n");
    EXPECT_EQ(v.exitCode, 0) << v.out;
}

// Board 0's fetch and report, each word the same.
std::string Fetch(const std::string& word)
{
    const std::string idle = "  [[[ SPI Busy Check 100 ?? 00000000 ]]]  ";
    const std::string map(32, word == "00000000" ? '.' : 'X');
    std::string text = idle + "100 << 00000000\n";
    for (const char* offset : {"104", "108", "10C", "110"})
        text += idle + offset + " ?? " + word + "\n";
    text += "\r\nBoard #0\r\n";
    for (const char* range : {" 0 to  31", "32 to  63", "64 to  95", "96 to 127"})
        text += "[" + word + "] = Relays " + range + " = " + map + "\r\n";
    return text + "--------\r\n";
}

// relayctl pushes a board that read back all ones all open; its read-back
// after says whether it opened.
TEST(NewLines, OpenAllOfABoardThatReadBackAllOnes)
{
    const std::string idle = "  [[[ SPI Busy Check 100 ?? 00000000 ]]]  ";
    std::string push = "Turning off relay    0\n";
    for (const char* offset : {"104", "108", "10C", "110"})
        push += idle + offset + " << 00000000\n";
    push += idle + "100 << 00000080\n";
    const std::string head = "Relay control: open all\nSuccess\nFPGA Rev: 0002A1F7\n" + Fetch("FFFFFFFF") + push;
    EXPECT_EQ(Check(head + Fetch("00000000") + "Control complete\n").exitCode, 0);
    const Verdict v = Check(head + Fetch("FFFFFFFF") + "Control complete\n");
    EXPECT_EQ(LinesStartingWith(v.out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 26: board 0 (relays 0-127) read back all ones every time (1 "
                                       "read-back), whatever was pushed: not fitted, or not answering"});
}

// Every sentence of the kind table is in docs/relaylog.md, in the row of its case.
TEST(Docs, ListEveryPlainProblemLineUnderItsCase)
{
    std::ifstream file(RELAYLOG_DOCS);
    ASSERT_TRUE(file) << RELAYLOG_DOCS;
    std::vector<std::string> rows;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("| ", 0) == 0)
            rows.push_back(line);
    }
    const char* const cases[] = {"| card check |", "| SPI waits |", "| board |", "| protocol |"};
    for (int k = 0; k < relaylog::PlainKindCount; ++k) {
        const auto which = static_cast<PlainKind>(k);
        const std::string sentence = "`" + std::string(relaylog::PlainSentence(which)) + "`";
        const std::string row = cases[static_cast<int>(relaylog::PlainConcern(which))];
        int found = 0;
        for (const std::string& line : rows)
            found += line.rfind(row, 0) == 0 && line.find(sentence) != std::string::npos ? 1 : 0;
        EXPECT_EQ(found, 1) << sentence << " is not in a row " << row;
    }
}

}  // namespace
