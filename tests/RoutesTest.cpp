// Routes in the wiring and in the core: what a file may say of buses, routes
// and groups; the path found for two ends over what the boards hold; and the
// relays a change of routes opens and closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Routes.h"

namespace {

// Instruments on board 0's rows, pins on its columns and on board 1's, two
// buses between them: board 0's last two columns are board 1's first rows.
const char* const Station = R"(
settle-ms = 2
[[board]]
index = 0
rows = ["DMM_HI", "DMM_LO", "SRC_HI", "SRC_LO", "SCOPE", "", "", ""]
columns = ["VCC", "GND", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10", "P11", "P12", "P13", "P14", "ABUS1", "ABUS2"]
[[board]]
index = 1
rows = ["ABUS1", "ABUS2", "", "", "", "", "", ""]
columns = ["P15", "P16", "P17", "P18", "P19", "P20", "P21", "P22", "P23", "P24", "P25", "P26", "P27", "P28", "P29", "P30"]
[[bus]]
nets = ["ABUS1", "ABUS2"]
[[exclusive]]
nets = ["SRC_HI", "SRC_LO"]
[[forbidden]]
crosspoints = ["0:3:15"]
[[route]]
name = "dmm_vcc"
from = "DMM_HI"
to = "VCC"
[[route]]
name = "dmm_gnd"
from = "DMM_LO"
to = "GND"
[[route]]
name = "scope_p20"
from = "SCOPE"
to = "P20"
via = ["0:4:14", "1:0:5"]
settle-ms = 5
[[group]]
name = "measure_vcc"
routes = ["dmm_vcc", "dmm_gnd"]
)";

Wiring Read(const std::string& text, std::string& error)
{
    Wiring wiring;
    error.clear();
    (void)ParseWiring(text, "w.toml", wiring, error);
    return wiring;
}

int Net(const Wiring& wiring, const char* name) { return NetNamed(wiring, name); }

RelayBits Closed(const Wiring& wiring, std::initializer_list<const char*> crosspoints)
{
    RelayBits closed;
    for (const char* text : crosspoints) {
        int relay = 0;
        std::string error;
        EXPECT_TRUE(ReadCrosspoint(wiring, text, relay, error)) << text << ": " << error;
        closed.set(static_cast<std::size_t>(relay));
    }
    return closed;
}

TEST(Routes, TheFileSaysWhatItMeansOrIsRefused)
{
    const struct {
        const char* added;
        const char* error;  // "" when the file is good
    } cases[] = {
        {"", ""},
        {"[[route]]\nname = \"bad\"\nfrom = \"ABUS1\"\nto = \"P3\"\n", "route bad: ABUS1 is a bus, not an end"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\nto = \"P21\"\nvia = [\"0:4:14\", \"1:0:5\"]\n",
         "via does not join SCOPE to P21: 1:0:5 (ABUS1@P20) leads to P20, which is not a bus"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\nto = \"P20\"\nvia = [\"0:4:2\", \"1:0:5\"]\n",
         "via does not join SCOPE to P20: 0:4:2 (SCOPE@P3) leads to P3, which is not a bus"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SRC_LO\"\nto = \"P20\"\nvia = [\"0:3:15\", \"1:1:5\"]\n",
         "via 0:3:15: the crosspoint is forbidden"},
        {"[[route]]\nname = \"dmm_vcc\"\nfrom = \"DMM_HI\"\nto = \"P3\"\n", "\"dmm_vcc\" names a route or group already"},
        {"[[group]]\nname = \"g\"\nroutes = [\"dmm_vcc\", \"nothing\"]\n", "\"nothing\" names no [[route]] above"},
        {"[[route]]\nname = \"hi_p3\"\nfrom = \"DMM_HI\"\nto = \"P3\"\n[[group]]\nname = \"g\"\nroutes = [\"dmm_vcc\", \"hi_p3\"]\n",
         "group g: two of its routes end at DMM_HI"},
        {"[[bus]]\nnets = [\"NOWHERE\"]\n", "\"NOWHERE\" names no row or column of a listed board"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\nto = \"P3\"\nsettle-ms = 10001\n",
         "settle-ms must be a number of milliseconds from 0 to 10000"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\nto = \"P3\"\nsettle-ms = 2.5\n",
         "settle-ms must be a number of milliseconds from 0 to 10000, not a floating-point number"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\nto = \"SCOPE\"\n", "route bad joins SCOPE to itself"},
        {"[[route]]\nname = \"bad\"\nfrom = \"SCOPE\"\ntoo = \"P3\"\n", "unknown key \"too\" in [[route]]"},
    };
    for (const auto& c : cases) {
        std::string error;
        (void)Read(std::string(Station) + c.added, error);
        if (*c.error == '\0')
            EXPECT_EQ(error, "") << c.added;
        else
            EXPECT_NE(error.find(c.error), std::string::npos) << c.added << "\n" << error;
    }
}

TEST(Routes, ThePathIsTheShortestFreeOneOrTheRefusalSaysWhy)
{
    std::string error;
    const Wiring w = Read(Station, error);
    ASSERT_EQ(error, "");
    const struct {
        const char* from;
        const char* to;
        RelayBits closed;
        const char* path;     // on success
        const char* refusal;  // else
    } cases[] = {
        {"DMM_HI", "P3", {}, "0:0:2", ""},
        {"DMM_HI", "P20", {}, "0:0:14, 1:0:5", ""},
        {"P20", "DMM_HI", {}, "0:0:14, 1:0:5", ""},  // one path whichever way round
        {"SCOPE", "P21", Closed(w, {"0:0:14", "1:0:5"}), "1:1:6, 0:4:15", ""},  // from P21, which sorts first
        {"SRC_HI", "P30", Closed(w, {"0:0:14", "1:0:5", "0:4:15", "1:1:6"}), "",
         "ABUS1 is held by the route DMM_HI to P20"},
        {"SCOPE", "P20", Closed(w, {"0:1:14", "1:0:3"}), "", "ABUS1 is held by the route DMM_LO to P18"},
        {"DMM_HI", "P3", Closed(w, {"0:0:14", "1:0:5"}), "", "DMM_HI is in use by the route DMM_HI to P20"},
        {"SCOPE", "P20", Closed(w, {"0:1:14"}), "", "ABUS1 is held by closed relays 0:1:14"},
        {"SRC_HI", "SRC_LO", {}, "", "SRC_HI and SRC_LO are never to be joined (exclusive, w.toml line 14)"},
        {"ABUS1", "P3", {}, "", "ABUS1 is a bus, not an end"},
        {"VCC", "GND", {}, "", "no path joins GND and VCC through the station's buses"},
    };
    for (const auto& c : cases) {
        Route route;
        std::string refusal;
        const RouteFound found = FindRoute(w, c.closed, Net(w, c.from), Net(w, c.to), 32, route, refusal);
        const std::string where = std::string(c.from) + " " + c.to;
        if (*c.path != '\0') {
            EXPECT_EQ(found, RouteFound::Found) << where << ": " << refusal;
            EXPECT_EQ(RouteCrosspoints(route), c.path) << where;
        } else {
            EXPECT_EQ(found, RouteFound::Refused) << where;
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << where << ": " << refusal;
        }
    }
}

// A net that is not a bus is never the middle of a path, even when it is the
// only way across.
TEST(Routes, AnEndIsNeverPassedThrough)
{
    const std::string boards = "[[board]]\nindex = 0\nrows = [\"A\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]\n"
                               "columns = [\"C\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]\n"
                               "[[board]]\nindex = 1\nrows = [\"C\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]\n"
                               "columns = [\"B\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]\n";
    for (const bool bus : {false, true}) {
        std::string error;
        const Wiring w = Read(boards + (bus ? "[[bus]]\nnets = [\"C\"]\n" : ""), error);
        ASSERT_EQ(error, "");
        Route route;
        std::string refusal;
        EXPECT_EQ(FindRoute(w, {}, Net(w, "A"), Net(w, "B"), 32, route, refusal),
                  bus ? RouteFound::Found : RouteFound::Refused) << refusal;
    }
}

TEST(Routes, AChangeKeepsWhatBothShareAndBreaksTheRest)
{
    std::string error;
    const Wiring w = Read(Station, error);
    ASSERT_EQ(error, "");
    const RelayBits measuring = Closed(w, {"0:0:0", "0:1:1"});  // measure_vcc
    std::vector<std::pair<int, int>> wanted;
    ASSERT_TRUE(NamedRoutes(w, "scope_p20", wanted) && NamedRoutes(w, "dmm_vcc", wanted));
    for (const bool makeFirst : {false, true}) {
        RouteChange change;
        std::string refusal;
        ASSERT_TRUE(PlanRouteChange(w, measuring, wanted, makeFirst, 32, change, refusal)) << refusal;
        EXPECT_EQ(change.open, Closed(w, {"0:1:1"}));
        EXPECT_EQ(change.close, Closed(w, {"0:4:14", "1:0:5"}));
        ASSERT_EQ(change.made.size(), 1u);
        EXPECT_EQ(change.made[0].name, "scope_p20");
        ASSERT_EQ(change.broken.size(), 1u);
        EXPECT_EQ(change.broken[0].name, "dmm_gnd");
        EXPECT_EQ(change.settleMs, 5);
    }
    // DMM_LO moves from GND to P3: its old route must be broken before the
    // new one is made, or GND and P3 would meet through it.
    const std::vector<std::pair<int, int>> moved = {{Net(w, "DMM_LO"), Net(w, "P3")}};
    RouteChange change;
    std::string refusal;
    EXPECT_TRUE(PlanRouteChange(w, measuring, moved, false, 32, change, refusal)) << refusal;
    EXPECT_EQ(change.open, measuring);
    EXPECT_FALSE(PlanRouteChange(w, measuring, moved, true, 32, change, refusal));
    EXPECT_NE(refusal.find("DMM_LO is in use by the route dmm_gnd"), std::string::npos) << refusal;
}

TEST(Routes, DisconnectingOpensOnlyWhatNoOtherEndNeeds)
{
    std::string error;
    const Wiring w = Read(Station, error);
    ASSERT_EQ(error, "");
    // By hand: DMM_HI to P20 through ABUS1, and P3 to P16 through DMM_HI and
    // ABUS1: only ABUS1@P20 may open.
    const RelayBits closed = Closed(w, {"0:0:14", "1:0:5", "0:0:2", "1:0:1"});
    RouteChange change;
    std::string refusal;
    ASSERT_TRUE(PlanDisconnect(w, closed, Net(w, "DMM_HI"), Net(w, "P20"), change, refusal)) << refusal;
    EXPECT_EQ(change.open, Closed(w, {"1:0:5"}));
    EXPECT_FALSE(PlanDisconnect(w, closed, Net(w, "DMM_LO"), Net(w, "P20"), change, refusal));
    EXPECT_EQ(refusal, "DMM_LO and P20 are not connected");
}

}  // namespace
