// relaylog --html and --baseline, run as the program on relaysweep's records:
// the page read back with xmllint (its relays by their SVG titles), and the
// CHANGED lines between two records.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"

namespace {

// Stuck on, stuck off, coupled, a board that is not there, and board 7 never swept.
const std::string& FaultyRecord()
{
    static const std::string record = SweepRecord("stuck-on=5,stuck-off=600,coupled=130:131,absent=3", "0-6");
    return record;
}

const std::string& HealthyFile()
{
    static const std::string file = [] {
        std::string name = Scratch("healthy.log");
        std::ofstream(name, std::ios::binary) << SweepRecord("");
        return name;
    }();
    return file;
}

Verdict Relaylog(const std::vector<std::string>& args, const std::string& record)
{
    std::vector<std::string> argv{RelaylogPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const ChildResult r = RunChild({argv, {}, ChildInput::Text, record});
    return {r.out, r.exitCode};
}

// The faulty record's page, made once.
const std::string& FaultyPage()
{
    static const std::string file = [] {
        std::string name = Scratch("page.html");
        EXPECT_EQ(Relaylog({"--html", name, "-"}, FaultyRecord()).exitCode, 1);
        return name;
    }();
    return file;
}


struct Relay {
    const char* name;
    int relay;
    const char* title;  // its tooltip
};

void PrintTo(const Relay& r, std::ostream* os) { *os << r.name; }

class HtmlRelays : public ::testing::TestWithParam<Relay> {};

TEST_P(HtmlRelays, TooltipNamesRelayAndClass)
{
    const std::string rect = "//*[local-name()='rect'][@data-relay='" + std::to_string(GetParam().relay) + "']";
    EXPECT_EQ(XPath(FaultyPage(), "string(" + rect + "/*[local-name()='title'])"), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    FaultySweep, HtmlRelays,
    ::testing::Values(Relay{"StuckOn", 5, "relay 5 (board 0, row 5, column 0): stuck closed"},
                      Relay{"StuckOff", 600, "relay 600 (board 4, row 0, column 11): stuck open"},
                      Relay{"Coupled", 131, "relay 131 (board 1, row 3, column 0): erratic"},
                      Relay{"CouplingOne", 130, "relay 130 (board 1, row 2, column 0): functional"},
                      Relay{"AbsentBoard", 400, "relay 400 (board 3, row 0, column 2): stuck closed"},
                      Relay{"NeverSwept", 1000, "relay 1000 (board 7, row 0, column 13): unverified"}),
    ByName{});

TEST(HtmlReport, WellFormedWithEveryRelayAndTheVerdict)
{
    EXPECT_EQ(RunChild({{Xmllint, "--noout", FaultyPage()}}).exitCode, 0);
    EXPECT_EQ(XPath(FaultyPage(), "count(//*[local-name()='rect'][@data-relay])"), "1024");
    EXPECT_EQ(XPath(FaultyPage(), "string(//*[@class='verdict fail'])"), LastLine(Check(FaultyRecord()).out));
}

struct Change {
    const char* name;
    bool faultyIsNew;  // the faulty record judged against the healthy one, or the other way round
    int exitCode;      // the new record's verdict
    const char* summary;
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

class Baselines : public ::testing::TestWithParam<Change> {};

TEST_P(Baselines, NameExactlyTheRelaysThatChanged)
{
    const std::string faulty = Scratch("faulty.log");
    std::ofstream(faulty, std::ios::binary) << FaultyRecord();
    const bool worse = GetParam().faultyIsNew;
    const Verdict v = Relaylog({"--baseline", worse ? HealthyFile() : faulty, "-"},
                               worse ? FaultyRecord() : SweepRecord(""));
    EXPECT_EQ(v.exitCode, GetParam().exitCode);
    EXPECT_EQ(LastLine(v.out), GetParam().summary);
    const std::vector<std::string> changed = LinesStartingWith(v.out, "CHANGED ");
    ASSERT_EQ(changed.size(), 259u);  // relays 5, 131, 600, and boards 3 and 7
    EXPECT_EQ(changed[2], worse ? "CHANGED relay 384 (board 3, row 0, column 0): functional -> stuck closed"
                                : "CHANGED relay 384 (board 3, row 0, column 0): stuck closed -> functional");
    EXPECT_EQ(changed[130], worse ? "CHANGED relay 600 (board 4, row 0, column 11): functional -> stuck open"
                                  : "CHANGED relay 600 (board 4, row 0, column 11): stuck open -> functional");
}

INSTANTIATE_TEST_SUITE_P(
    Records, Baselines,
    ::testing::Values(Change{"Worse", true, 1, "Since baseline: 259 worse, 0 better, 765 unchanged"},
                      Change{"Better", false, 0, "Since baseline: 0 worse, 259 better, 765 unchanged"}),
    ByName{});

}  // namespace
