// relaylog --html and --baseline, run as the program on relaysweep's records:
// the page read back with xmllint (its relays by their SVG titles), the page as
// headless Chromium draws it, and the CHANGED lines between two records.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"
#include "Transcript.h"

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
    const ChildResult r = RunProgram("relaylog", args, "", Typed(record));
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
    const char* cls;    // its class attribute
    const char* fill;   // its colour, as the browser computes it
    const char* title;  // its tooltip
};

void PrintTo(const Relay& r, std::ostream* os) { *os << r.name; }

const char* const Red = "rgb(211, 47, 47)";
const char* const Grey = "rgb(189, 189, 189)";

const Relay FaultyRelays[] = {
    {"StuckOn", 5, "stuck-closed", Red, "relay 5 (board 0, row 5, column 0): stuck closed"},
    {"StuckOff", 600, "stuck-open", "rgb(21, 101, 192)", "relay 600 (board 4, row 0, column 11): stuck open"},
    {"Coupled", 131, "erratic", "rgb(255, 143, 0)", "relay 131 (board 1, row 3, column 0): erratic"},
    {"CouplingOne", 130, "functional", "rgb(67, 160, 71)", "relay 130 (board 1, row 2, column 0): functional"},
    {"Healthy", 700, "functional", "rgb(67, 160, 71)", "relay 700 (board 5, row 4, column 7): functional"},
    {"AbsentBoard", 400, "stuck-closed", Red, "relay 400 (board 3, row 0, column 2): stuck closed"},
    {"NeverSwept", 1000, "unverified", Grey, "relay 1000 (board 7, row 0, column 13): unverified"},
};

std::string RelayRect(int relay)
{
    return "//*[local-name()='rect'][@data-relay='" + std::to_string(relay) + "']";
}

class HtmlRelays : public ::testing::TestWithParam<Relay> {};

TEST_P(HtmlRelays, TooltipNamesRelayAndClass)
{
    const std::string rect = RelayRect(GetParam().relay);
    EXPECT_EQ(XPath(FaultyPage(), "string(" + rect + "/*[local-name()='title'])"), GetParam().title);
    EXPECT_EQ(XPath(FaultyPage(), "string(" + rect + "/@class)"), GetParam().cls);
}

INSTANTIATE_TEST_SUITE_P(FaultySweep, HtmlRelays, ::testing::ValuesIn(FaultyRelays), ByName{});

// The faulty page as headless Chromium draws it, written out as its DOM, with
// each relay's computed fill noted by a script added to a copy of the page.
ChildResult Rendered(const std::string& dom)
{
    std::string page = ReadFile(FaultyPage());
    const std::string copy = Scratch("noting-fills.html");
    std::ofstream(copy, std::ios::binary) << page.insert(
        page.rfind("</body>"), "<script>for (const r of document.querySelectorAll('rect[data-relay]'))"
                               " r.setAttribute('data-fill', getComputedStyle(r).fill);</script>");
    ChildSpec run{{HEADLESS_CHROMIUM, "--dump-dom", copy}};
    run.output = ChildOutput::Path;
    run.outputPath = dom;
    run.captureStderr = true;
    return RunChild(run);
}

// scripts/test.sh installs chromium; a developer's build without it skips,
// CI fails.
TEST(HtmlReport, ChromiumDrawsEveryRelayInItsClassColour)
{
    const std::string dom = Scratch("rendered.html");
    const ChildResult chromium = Rendered(dom);
    if (chromium.exitCode == 127) {
        const char* ci = std::getenv("CI");
        if (ci != nullptr && std::string(ci) == "true")
            FAIL() << "chromium is missing: scripts/test.sh installs it";
        GTEST_SKIP() << "chromium is not installed: apt-get install --no-install-recommends chromium";
    }
    ASSERT_EQ(chromium.exitCode, 0) << chromium.err;
    const auto drawn = [&dom](const std::string& expression) { return XPath(dom, expression, Markup::Html); };
    EXPECT_EQ(drawn("count(//rect[@data-relay][@data-fill])"), "1024");
    for (const Relay& r : FaultyRelays) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(drawn("string(" + RelayRect(r.relay) + "/@class)"), r.cls);
        EXPECT_EQ(drawn("string(" + RelayRect(r.relay) + "/@data-fill)"), r.fill);
        EXPECT_EQ(drawn("string(" + RelayRect(r.relay) + "/title)"), r.title);
    }
    // The board that is not there reads back all ones: every relay stuck closed.
    EXPECT_EQ(drawn("count(//rect[@data-relay >= 384 and @data-relay < 512][@class='stuck-closed'][@data-fill='" +
                    std::string(Red) + "'])"),
              "128");
    EXPECT_EQ(drawn("count(//rect[@data-relay >= 896][@data-fill='" + std::string(Grey) + "'])"), "128");
    EXPECT_EQ(drawn("count(//rect[@data-relay][@class='functional'])"), "765");
}

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
    ASSERT_EQ(changed.size(), 131u);  // relays 5, 131, 600, and board 3; board 7 was not swept: not compared
    EXPECT_EQ(changed[2], worse ? "CHANGED relay 384 (board 3, row 0, column 0): functional -> stuck closed"
                                : "CHANGED relay 384 (board 3, row 0, column 0): stuck closed -> functional");
    EXPECT_EQ(changed[130], worse ? "CHANGED relay 600 (board 4, row 0, column 11): functional -> stuck open"
                                  : "CHANGED relay 600 (board 4, row 0, column 11): stuck open -> functional");
}

INSTANTIATE_TEST_SUITE_P(
    Records, Baselines,
    ::testing::Values(Change{"Worse", true, 1, "Since baseline: 131 worse, 0 better, 765 unchanged, 128 not compared"},
                      Change{"Better", false, 0, "Since baseline: 0 worse, 131 better, 765 unchanged, 128 not compared"}),
    ByName{});

}  // namespace
