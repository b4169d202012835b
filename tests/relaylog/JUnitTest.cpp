// relaylog --junit: the XML report parsed back with xmllint (Debian's
// libxml2-utils, installed by scripts/deps.sh), and relaylog's memory on a
// long sweep record with a JUnit report to fill.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"
#include "Transcript.h"

namespace {



// relaylog --junit FILE - on the record; its exit status.
int JudgeWithJUnit(const std::string& record, const std::string& junit)
{
    return RunProgram("relaylog", {"--junit", junit, "-"}, "", Typed(record)).exitCode;
}


struct Report {
    const char* name;
    std::function<std::string()> record;
    int exitCode;
    std::string tests, failures, errors;  // the suite's counts
    std::string cases;                    // the names of its test cases, as xmllint lists them
    std::string failed;                   // those that failed
};
void PrintTo(const Report& r, std::ostream* os) { *os << r.name; }

class JUnitReports : public ::testing::TestWithParam<Report> {};

TEST_P(JUnitReports, ParseBackAsOneSuiteWithACasePerConcern)
{
    const std::string file = Scratch(GetParam().name);
    EXPECT_EQ(JudgeWithJUnit(GetParam().record(), file), GetParam().exitCode);
    EXPECT_EQ(RunChild({{Xmllint, "--noout", file}}).exitCode, 0) << ReadFile(file);
    EXPECT_EQ(XPath(file, "count(/testsuite)"), "1");
    EXPECT_EQ(XPath(file, "string(/testsuite/@tests)"), GetParam().tests);
    EXPECT_EQ(XPath(file, "string(/testsuite/@failures)"), GetParam().failures);
    EXPECT_EQ(XPath(file, "string(/testsuite/@errors)"), GetParam().errors);
    EXPECT_EQ(XPath(file, "/testsuite/testcase/@name"), GetParam().cases);
    EXPECT_EQ(XPath(file, "/testsuite/testcase[failure]/@name"), GetParam().failed);
}

std::string Names(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? " name=\"" : "\n name=\"") + name + "\"";
    return text;
}

std::string EverySweepCase()
{
    return Names({"card check", "SPI waits", "board 0", "board 1", "board 2", "board 3", "board 4", "board 5",
                  "board 6", "board 7", "protocol"});
}

std::string FaultySweep() { return SweepRecord("stuck-on=5,coupled=130:131,alias=2:5,absent=3"); }

INSTANTIATE_TEST_SUITE_P(
    Records, JUnitReports,
    ::testing::Values(
        Report{"HealthySweep", [] { return SweepRecord(""); }, 0, "11", "0",
               "0", EverySweepCase(), ""},
        Report{"FaultySweep", FaultySweep, 1, "11", "4", "0", EverySweepCase(),
               Names({"board 0", "board 1", "board 3", "board 5"})},
        Report{"FixedPassNoCard", [] { return Golden("nocard.txt"); }, 1, "5", "3", "0",
               Names({"card check", "SPI waits", "board 0", "board 1", "protocol"}),
               Names({"card check", "board 0", "board 1"})},
        Report{"WaitAndProtocol",
               [] {
                   return DeleteLine(5)(ReplaceLine(4, BusyTrace(0x80000000) + "104 << 00000001")(
                       Golden("healthy.txt")));
               },
               1, "5", "2", "0", Names({"card check", "SPI waits", "board 0", "board 1", "protocol"}),
               Names({"SPI waits", "protocol"})},
        Report{"CutShort", [] { return KeepLines(40)(Golden("healthy.txt")); }, 2, "4", "0", "1",
               Names({"card check", "SPI waits", "board 0", "protocol"}), ""}),
    ByName{});

// A failed case carries its PROBLEM lines, as the report prints them.
TEST(JUnitReport, FailuresCarryTheirProblemLines)
{
    const std::string record = FaultySweep();
    const std::string file = Scratch("problems");
    ASSERT_EQ(JudgeWithJUnit(record, file), 1);
    const std::vector<std::string> problems = LinesStartingWith(Check(record).out, "PROBLEM ");
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(XPath(file, "string(//testcase[@name='board 0']/failure)"), problems[0] + "\n");
    EXPECT_EQ(XPath(file, "string(//testcase[@name='board 1']/failure)"), problems[1] + "\n");
    EXPECT_EQ(XPath(file, "string(//testcase[@name='board 5']/failure/@message)"), "1 problem");
    EXPECT_EQ(XPath(file, "string(//testcase[@name='board 3']/system-out)"),
              "Relays: 0 functional, 0 partly verified, 0 unverified, 128 stuck closed, 0 stuck open, 0 erratic");
}

TEST(JUnitReport, ARecordCutShortIsAnErrorOfTheProtocolCase)
{
    const std::string record = KeepLines(40)(Golden("healthy.txt"));
    const std::string file = Scratch("error");
    ASSERT_EQ(JudgeWithJUnit(record, file), 2);
    EXPECT_EQ(XPath(file, "string(//testcase[@name='protocol']/error/@message)"), LastLine(Check(record).out));
}

// A sweep of board 0 whose every wait gave up at its first busy poll, its
// 1,930 accesses repeated 200 times: 386,000 problems and 31 MB, read in 16 MB of address space while
// the JUnit report keeps its first PROBLEM lines and counts the rest.
TEST(SweepRecord, IsJudgedInFlatMemory)
{
    const std::string record = Scratch("long-sweep.txt");
    const std::string junit = Scratch("long-sweep.xml");
    const ChildResult sweep = RunProgram("relaysweep", {"--yes", "--boards", "0"});
    ASSERT_EQ(sweep.exitCode, 0);
    std::ofstream(record, std::ios::binary) << sweep.out;
    const std::string body = "sed -e '1,3d' -e '$d' -e 's/Check 100 ?? 00000000/Check 100 ?? 80000000/' '" + record + "'";
    const ChildResult r = RunChild({{"/bin/sh", "-c",
                                     "{ head -n 3 '" + record + "'; for i in $(seq 200); do " + body +
                                         "; done; tail -n 1 '" + record + "'; } | (ulimit -v 16000 && exec '" +
                                         RelaylogPath() + "' --junit '" + junit + "' - >/dev/null)"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(XPath(junit, "string(//testcase[@name='SPI waits']/failure/@message)"), "386000 problems");
    EXPECT_EQ(XPath(junit, "count(//testcase[@name='SPI waits']/failure)"), "1");
    const std::string failure = XPath(junit, "string(//testcase[@name='SPI waits']/failure)");
    EXPECT_EQ(LastLine(failure), "... and 385900 more PROBLEM lines");
}

// relaylog's options: each answer's exit status and its first line, on
// standard output or, for a usage error, standard error.
struct Option {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    std::string firstLine;
};
void PrintTo(const Option& o, std::ostream* os) { *os << o.name; }

class Options : public ::testing::TestWithParam<Option> {};

TEST_P(Options, AnswerWithTheirExitStatus)
{
    const ChildResult r = RunProgram("relaylog", GetParam().arguments);
    EXPECT_EQ(r.exitCode, GetParam().exitCode);
    const std::string& said = r.exitCode == 2 ? r.err : r.out;
    EXPECT_EQ(said.substr(0, said.find('\n')), GetParam().firstLine) << said;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Options,
    ::testing::Values(
        Option{"Help", {"--help"}, 0, "usage: relaylog [--junit FILE] [--html FILE] [--baseline OLD] [--wiring FILE] [--ledger FILE] FILE   (or - for standard input)"},
        Option{"Version", {"--version"}, 0, "relaylog " RELAYTEST_VERSION},
        Option{"UnknownOption", {"--verbose", GoldenPath("healthy.txt")}, 2, "relaylog: unknown option \"--verbose\""},
        Option{"JUnitWithoutFile", {GoldenPath("healthy.txt"), "--junit"}, 2, "relaylog: --junit needs a value"},
        Option{"JUnitUnwritable", {"--junit", "/no/such/folder/r.xml", GoldenPath("healthy.txt")}, 2,
               "relaylog: cannot write --junit \"/no/such/folder/r.xml\": No such file or directory"},
        Option{"BaselineMissing", {"--baseline", "/no/such.log", GoldenPath("healthy.txt")}, 2,
               "relaylog: /no/such.log: No such file or directory"},
        Option{"JUnitBesideAVerdict", {"--junit", "/dev/null", GoldenPath("deaf.txt")}, 1, "Card check (line 1): card found"}),
    ByName{});

}  // namespace
