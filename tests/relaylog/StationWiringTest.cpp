// relaylog under the station's wiring (docs/examples/bench-3.toml), on
// relaysweep's records of board 2 edited as relaysweep writes them under a
// wiring: its Wiring line after the card header, and relay 316 (a forbidden
// crosspoint) skipped in place of its switches and read-back.
#include <gtest/gtest.h>

#include <fstream>

#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "Wiring.h"

namespace {

const std::string Bench3 = BENCH3_WIRING;
const std::string Skip316 =
    "Relay 316 skipped: closing 2:4:7 (SCOPE_A@J4.8) is forbidden (forbidden, bench-3.toml line 20)";

std::string Checksum()
{
    Wiring wiring;
    std::string error;
    return LoadWiring(Bench3, wiring, error) ? wiring.checksum : error;
}

// checksum "": the record names no wiring.
std::string UnderWiring(const std::string& relaysim, const std::string& checksum)
{
    std::string record = SweepRecord(relaysim, "2");
    const std::size_t from = record.find("Turning on relay  316\n");
    record.replace(from, record.find("Turning on relay  317\n") - from, Skip316 + "\n");
    return checksum.empty() ? record : InsertBefore(4, "Wiring: bench-3.toml (checksum " + checksum + ")\n")(record);
}

// relaylog on the record, saved, with junit as its JUnit report.
ChildResult Relaylog(std::vector<std::string> args, const std::string& record, const std::string& env,
                     const std::string& junit)
{
    std::ofstream(Scratch("record.log")) << record;
    args.insert(args.begin(), RelaylogPath());
    args.insert(args.end(), {"--junit", junit, Scratch("record.log")});
    ChildSpec run{args, {env}};
    run.captureStderr = true;
    return RunChild(run);
}

TEST(StationWiring, NamesRelaysAndSkipsByRuleInEveryReport)
{
    const std::string page = Scratch("named.html");
    const std::string junit = Scratch("named.xml");
    const ChildResult r = Relaylog({"--wiring", Bench3, "--html", page}, UnderWiring("stuck-on=311", Checksum()),
                                   "RELAYTEST_WIRING=", junit);
    const std::string named = "relay 311 (board 2, row 7 0V, column 6 J4.7): stuck closed";
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(LinesStartingWith(r.out, "PROBLEM "),
              std::vector<std::string>{"PROBLEM line 19: " + named +
                                       ": read back on every time (128 read-backs), 127 of them pushed off"});
    EXPECT_EQ(LinesStartingWith(r.out, "Relays: ")[0], "Relays: 126 functional, 0 partly verified, 896 unverified, "
                                                       "1 skipped by rule, 1 stuck closed, 0 stuck open, 0 erratic");
    EXPECT_NE(XPath(junit, "string(//testcase[@name='board 2']/failure)").find(named), std::string::npos);
    const std::string rect = "//*[local-name()='rect'][@data-relay='";
    EXPECT_EQ(XPath(page, "string(" + rect + "311']/*)"), named);
    EXPECT_EQ(XPath(page, "string(" + rect + "316']/@class)"), "skipped");
    EXPECT_EQ(XPath(page, "string(" + rect + "316']/*)"),
              "relay 316 (board 2, row 4 SCOPE_A, column 7 J4.8): skipped by rule: " + Skip316.substr(19));
    // A skip hides no fault: a skipped relay that reads back closed is stuck closed.
    EXPECT_EQ(LinesStartingWith(Check(UnderWiring("stuck-on=316", "")).out, "Relays: ")[0],
              "Relays: 127 functional, 0 partly verified, 896 unverified, 1 stuck closed, 0 stuck open, 0 erratic");
}

// A skip line written by a relaysweep that gave the file's name raw, or a
// forged one: every report shows its control bytes as \xHH.
TEST(StationWiring, ControlBytesOfARecordAreShownEscaped)
{
    std::string record = UnderWiring("", Checksum());
    record.replace(record.find("bench-3.toml line 20"), 5, "bench\x1b[2J");
    const std::string page = Scratch("escaped.html");
    const ChildResult r = Relaylog({"--wiring", Bench3, "--html", page}, record, "RELAYTEST_WIRING=", Scratch("x.xml"));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("(forbidden, bench\\x1B[2J-3.toml line 20)\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_NE(XPath(page, "string(//*[local-name()='rect'][@data-relay='316']/*)").find("bench\\x1B[2J-3.toml"),
              std::string::npos);
}

TEST(StationWiring, WarnsWhenTheWiringIsNotTheRecords)
{
    const std::string given = "relaylog was given " + Bench3 + " (checksum " + Checksum() + ")";
    const std::string made = "the record was made under the wiring bench-3.toml (checksum ";
    const std::string none = "RELAYTEST_WIRING=";
    const struct {
        std::string checksum;  // the record's; "": none
        std::vector<std::string> options;
        std::string env, warning;  // after "WARNING line 4: "; "": none
    } table[] = {
        {Checksum(), {"--wiring=" + Bench3}, none, ""},
        {Checksum(), {}, none + Bench3, ""},
        {"0123456789ABCDEF", {"--wiring=" + Bench3}, none,
         made + "0123456789ABCDEF), but " + given +
             ": another file, or one changed since, so the names may not be those of the run"},
        {Checksum(), {}, none,
         made + Checksum() +
             "), but relaylog was given none (--wiring, or RELAYTEST_WIRING): relays are named by number only"},
        {"", {}, none + Bench3,
         "the record names no wiring, but " + given + ": the run did not keep the station's rules"}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.warning);
        const std::string junit = Scratch("warned.xml");
        const ChildResult r = Relaylog(row.options, UnderWiring("", row.checksum), row.env, junit);
        const std::string expected = row.warning.empty() ? "" : "WARNING line 4: " + row.warning;
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(LinesStartingWith(r.out, "WARNING"),
                  expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
        EXPECT_EQ(XPath(junit, "string(//property[@name='warning']/@value)"), expected);
    }
}

TEST(StationWiring, BrokenFileStopsTheJudgeAndSaysSoInTheReports)
{
    const std::string bad = Scratch("bad.toml");
    const std::string junit = Scratch("bad.xml");
    std::ofstream(bad) << "[[board]]\nindex = 9\n";
    const std::string error = bad + " line 2: board 9 is outside 0-7";
    const ChildResult r = Relaylog({}, SweepRecord("", "2"), "RELAYTEST_WIRING=" + bad, junit);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "relaylog: " + error + "\n");
    EXPECT_EQ(XPath(junit, "string(//error/@message)"), "ERROR: the wiring cannot be read: " + error);
}

// relayctl's refusals are mentioned, not problems; in a sweep they are out of place.
TEST(StationWiring, RefusalsAreNoFaultOfTheCard)
{
    const std::string refusals = "Rules broken: I+ and 0V are joined\nCommand refused: the boards break a rule\n";
    const Verdict ctl = Check(InsertBefore(16, refusals)(RelayctlRecord("", {"show", "2"})));
    EXPECT_EQ(LinesStartingWith(ctl.out, "Command refused (line 17): the boards").size(), 1u) << ctl.out;
    EXPECT_EQ(ctl.exitCode, 0);
    const Verdict sweep = Check(InsertBefore(4, refusals)(SweepRecord("", "2")));
    EXPECT_EQ(LinesStartingWith(sweep.out, "PROBLEM line 5: relayctl's \"Command refused\" line out of").size(), 1u);
}

// Under a wiring relaysweep first reads back the boards listed that it does not sweep: not judged.
TEST(StationWiring, ReadBacksOutsideTheSweepAtItsStart)
{
    const std::string board3 = RelayctlRecord("", {"show", "3"});
    const std::string fetch = board3.substr(LineStart(board3, 4), LineStart(board3, 16) - LineStart(board3, 4));
    const Verdict v = Check(InsertBefore(5, fetch)(UnderWiring("", Checksum())));
    EXPECT_EQ(v.exitCode, 0) << v.out;
    EXPECT_EQ(LinesStartingWith(v.out, "Never read back")[0],
              "Never read back after a push, every relay unverified: boards 0-1,3-7");
}

const std::string Bench7 = BENCH7_WIRING;

// relayctl's routes on bench 7, one command after another on one card, each
// record judged alone; some edited so that a relay does not follow its line.
TEST(StationWiring, RoutesAreJudgedByTheReadBacksBeforeTheirLines)
{
    const std::string card = "state=" + Scratch("card");
    const Edit asMade = [](std::string record) { return record; };
    const struct {
        std::string sim;  // after the card's state
        std::vector<std::string> command;
        Edit edit;
        std::string problem;  // the first PROBLEM line; "": PASS
    } table[] = {
        {"", {"connect", "DMM_HI", "P20"}, asMade, ""},
        {"", {"switch", "scope_p20"}, asMade, ""},  // 1:0:5, common to both, broken first yet closed
        {"", {"switch", "measure_vcc"}, asMade, ""},
        {"", {"--order", "make-before-break", "switch", "scope_p20", "dmm_vcc"}, asMade, ""},
        {"", {"disconnect", "dmm_vcc"}, [](std::string r) { return r.replace(r.find("0:0:0"), 5, "0:4:14"); },
         "PROBLEM line 59: the route dmm_vcc (DMM_HI to VCC) was broken, yet relay 116 (board 0, row 4, column 14) "
         "reads back closed (board 0 read back at line 51)"},
        {"", {"disconnect", "scope_p20"}, asMade, ""},
        {",stuck-off=168", {"connect", "scope_p20"},  // without the rollback's opening of 116
         [](std::string r) {
             const std::size_t at = r.find("Turning off relay  116");
             return r.erase(at, r.find("Turning off relay  168") - at);
         },
         "PROBLEM line 131: a route change failed: scope_p20 (SCOPE to P20): relay 168 (board 1, row 0 ABUS1, column 5 "
         "P20) did not close: it reads back open; the relays this call closed are open again; yet relay 116 (board 0, "
         "row 4, column 14), which it closed, still reads back closed after it (board 0 read back at line 93)"},
    };
    for (const auto& row : table) {
        std::vector<std::string> command = row.command;
        command.insert(command.begin(), {"--wiring", Bench7});
        const Verdict v = Check(row.edit(RelayctlRecord(card + row.sim, command)));
        EXPECT_EQ(v.exitCode, row.problem.empty() ? 0 : 1) << v.out;
        EXPECT_EQ(row.problem.empty() ? "" : LinesStartingWith(v.out, "PROBLEM").at(0), row.problem);
    }
}

// Under --wiring a route's path is named by its nets, its title in its relays' tooltips.
TEST(StationWiring, RoutesByNameInEveryReport)
{
    const std::string page = Scratch("routes.html");
    const std::string record = RelayctlRecord("", {"--wiring", Bench7, "connect", "scope_p20"});
    const ChildResult r =
        Relaylog({"--wiring", Bench7, "--html", page}, record, "RELAYTEST_WIRING=", Scratch("routes.xml"));
    EXPECT_EQ(LinesStartingWith(r.out, "Route ")[0], "Route made (line 89): scope_p20 (SCOPE to P20) through "
                                                     "SCOPE@ABUS1 (0:4:14), ABUS1@P20 (1:0:5); settle 5 ms");
    EXPECT_EQ(XPath(page, "string(//*[local-name()='rect'][@data-relay='168']/*)"),
              "relay 168 (board 1, row 0 ABUS1, column 5 P20): partly verified; route scope_p20 (SCOPE to P20)");
}

}  // namespace
