// The faults of many relays at once against the two sweeps: relaysweep, then
// relaysweep --deep, on the simulated card with each fault, judged by relaylog.
// The plain sweep's verdict is the one docs/simulated-card.md gives; the deep
// sweep's names the relay or board and the fault, and stands alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "CaseName.h"
#include "Child.h"
#include "Findings.h"
#include "RecordCheck.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"
#include "Reports.h"

using namespace relaylog;  // NOLINT(google-build-using-namespace): the kinds are the table's words

namespace {

struct Fault {
    std::string name;
    std::string relaysim;
    std::string plain;         // a PROBLEM line of the plain sweep's, less its line number; empty: none
    std::string plainVerdict;
    std::size_t deepKind;      // the deep sweep's one finding; KindCount: none
    std::string deep;          // the start of its sentence
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

std::size_t K(Kind kind) { return static_cast<std::size_t>(kind); }

const std::vector<Fault> Faults = {
    {"Healthy", "", "", "PASS: no problems", KindCount, ""},
    {"Clears", "clears=5:6", "", "PASS: no problems", K(Kind::RelayOpensAnother),
     "relay 5 (board 0, row 5, column 0): opens another: closing it opened relay 6 (board 0, row 6, column 0)"},
    {"Sag", "sag=0:3", "", "PASS: no problems", K(Kind::BoardDropsUnderLoad),
     "board 0 (relays 0-127): drops under load: read back every relay open while 4 of its relays were pushed closed"},
    {"Ghost", "ghost=5:200", "", "PASS: no problems", K(Kind::RelayClosesElsewhere),
     "relay 5 (board 0, row 5, column 0): closes on another board: relay 200 (board 1, row 0, column 9) read back "
     "closed, pushed open, while it was closed"},
    {"Late", "late=5:2",
     "relay 5 (board 0, row 5, column 0): stuck open: read back off every time (136 read-backs), 1 of them pushed on",
     "FAIL: 1 problem", K(Kind::RelayLate),
     "relay 5 (board 0, row 5, column 0): late: a read after a push showed its old state, and read 2 after that "
     "push its pushed one"},
    {"Shift", "shift=2",
     "relay 257 (board 2, row 1, column 0): erratic: 2 of 136 read-backs differ from the push; first read back on, "
     "pushed off, when relay 256 was switched",
     "FAIL: 128 problems", K(Kind::BoardShifted),
     "board 2 (relays 256-383): answers shifted: read back its push shifted one relay up (relay k as relay k+1)"},
    {"Alias", "alias=3:1",
     "board 1 (relays 128-255) read back the push to board 3 at line 9525 instead of its own: pushes to board 3 "
     "also land on board 1 (1 read-back)",
     "FAIL: 1 problem", K(Kind::BoardAnswersForOther),
     "board 1 (relays 128-255): answers for another board: read back the push to board 3 instead of its own"},
};

struct Collected : FindingSink {
    void Problem(const Finding& finding) override { found.push_back(finding); }
    std::vector<Finding> found;
};

// relaylog's findings and verdict on relaysweep's record (--deep too, when asked).
Verdict Judged(const Fault& f, bool deep, std::vector<Finding>& found)
{
    std::vector<std::string> args = {"--yes"};
    if (deep)
        args.push_back("--deep");
    std::istringstream in(RunProgram("relaysweep", args, f.relaysim).out);
    std::ostringstream report;
    Collected collected;
    const int code = CheckRecord(in, report, {&collected});
    found = collected.found;
    return {report.str(), code};
}

class DeepSweep : public ::testing::TestWithParam<Fault> {};

TEST_P(DeepSweep, PlainVerdictThenDeepVerdict)
{
    const Fault& f = GetParam();
    std::vector<Finding> found;
    const Verdict plain = Judged(f, false, found);
    EXPECT_EQ(LastLine(plain.out), f.plainVerdict);
    if (!f.plain.empty()) {
        EXPECT_NE(plain.out.find(": " + f.plain + "\n"), std::string::npos) << plain.out.substr(0, 4000);
    }
    const Verdict deep = Judged(f, true, found);
    if (f.deepKind == KindCount) {
        EXPECT_EQ(LastLine(deep.out), "PASS: no problems") << deep.out.substr(0, 4000);
        return;
    }
    // The deep verdict stands for whatever the plain part showed of that relay or board.
    EXPECT_EQ(LastLine(deep.out), "FAIL: 1 problem") << deep.out.substr(0, 4000);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(K(found[0].kind), f.deepKind);
    EXPECT_EQ(Describe(found[0]).rfind(f.deep, 0), 0u) << Describe(found[0]);
}

INSTANTIATE_TEST_SUITE_P(Faults, DeepSweep, ::testing::ValuesIn(Faults), ByName{});

// The page, the JUnit report and the comparison with a plain sweep's record
// show a deep verdict as they show the plain ones.
TEST(DeepSweep, ReportsAndBaselineShowTheDeepVerdict)
{
    const std::string base = Scratch("plain.log");
    const std::string page = Scratch("page.html");
    const std::string junit = Scratch("junit.xml");
    std::ofstream(base, std::ios::binary) << RunProgram("relaysweep", {"--yes", "--boards", "0"}, "clears=5:6").out;
    const std::string deep = RunProgram("relaysweep", {"--yes", "--deep", "--boards", "0"}, "clears=5:6").out;
    const ChildResult r = RunProgram("relaylog", {"--html", page, "--junit", junit, "--baseline", base, "-"}, "",
                                     Typed(deep));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    const std::string sentence = "relay 5 (board 0, row 5, column 0): opens another: closing it opened relay 6";
    EXPECT_NE(r.out.find("CHANGED relay 5 (board 0, row 5, column 0): functional -> opens another\n"),
              std::string::npos) << r.out;
    EXPECT_NE(XPath(page, "string(//*[local-name()='rect'][@data-relay='5']/@class)").find("opens-another"),
              std::string::npos);
    EXPECT_NE(XPath(page, "string(//*[local-name()='rect'][@data-relay='5'])").find(sentence), std::string::npos);
    EXPECT_NE(XPath(junit, "string(//testcase[@name='board 0']/failure)").find(sentence), std::string::npos);
}

}  // namespace

std::vector<std::size_t> DeepFaultKinds()
{
    std::vector<std::size_t> kinds;
    kinds.reserve(std::size(Faults));
    for (const Fault& f : Faults)
        kinds.push_back(f.deepKind);
    return kinds;
}
