// relayctl and relaysweep under bench 3's wiring, in-process on the simulated
// card: refusals read from the record and the card's call log.
#include "Bench3Wiring.h"
#include "CaseName.h"
#include "Control.h"
#include "RelayNames.h"
#include "SimCardTest.h"
#include "StationWiring.h"
#include "Sweep.h"
#include "WiringReport.h"

namespace {

constexpr std::uint32_t Control = 0x100;

const char* const Bench3 = Bench3Wiring;

Wiring Parsed(const char* text)
{
    Wiring wiring;
    std::string error;
    EXPECT_TRUE(ParseWiring(text, "bench-3.toml", wiring, error)) << error;
    return wiring;
}

// The command's words read under the wiring in use, then run: what it
// printed to the record.
std::string RunWords(std::vector<const char*> words, CtlOutcome outcome)
{
    CtlCommand command;
    std::string error;
    EXPECT_TRUE(ParseCommand(static_cast<int>(words.size()), words.data(), command, error)) << error;
    return CaptureStdout([&] { EXPECT_EQ(RunCommand(command, DefaultMaxClosed), outcome) << words[1]; });
}

struct RuleCase {
    const char* name;
    std::vector<const char*> before;  // closed first, with no wiring in use
    std::vector<const char*> close;
    const char* refusal;              // the record's lines of the refusal; "" for a close allowed
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class CloseUnderWiring : public SimCardTestWithParam<RuleCase> {
protected:
    void TearDown() override { ForgetStationWiring(); }
};

// A refused close pushes nothing at all; one allowed is carried out.
TEST_P(CloseUnderWiring, IsRefusedByTheRuleItWouldBreak)
{
    const RuleCase& c = GetParam();
    ForgetStationWiring();
    ForgetPushedBoards();
    if (!c.before.empty())
        (void)RunWords(c.before, CtlOutcome::AsAsked);
    UseStationWiring(Parsed(Bench3));
    SimClearLog();
    const bool refused = *c.refusal != '\0';
    const std::string out = RunWords(c.close, refused ? CtlOutcome::Refused : CtlOutcome::AsAsked);
    EXPECT_NE(out.find(refused ? c.refusal : "Turning "), std::string::npos) << out;
    EXPECT_NE(out.find("Board #2\r\n"), std::string::npos) << "every listed board read back first";
    bool pushed = false;
    for (const SimCall& call : SimLog())
        pushed = pushed || (call.op == SimOp::OutBAR32 && call.offset == Control && (call.value & 0x80) != 0);
    EXPECT_EQ(pushed, !refused);
}

const char* const Forbidden = "Command refused: closing 2:4:7 (SCOPE_A@J4.8) is forbidden (forbidden, bench-3.toml line 15)\n";

INSTANTIATE_TEST_SUITE_P(
    Bench3, CloseUnderWiring,
    ::testing::Values(
        RuleCase{"JoinsExclusiveNets", {"close", "418"}, {"close", "0V@J5.5"},
                 "Command refused: closing 3:7:4 (0V@J5.5) would join I+ and 0V: I+@J5.5 (3:2:4) is closed "
                 "(exclusive, bench-3.toml line 13)\n"},
        RuleCase{"PathAcrossBoardsThroughASharedRow", {"close", "2:2:0,2:0:0"}, {"close", "V+@0V"},
                 "Command refused: closing 3:0:15 (V+@0V) would join I+ and 0V: I+@J4.1 (2:2:0) and V+@J4.1 (2:0:0) "
                 "are closed (exclusive, bench-3.toml line 13)\n"},
        RuleCase{"ForbiddenByNumber", {}, {"close", "316"}, Forbidden},
        RuleCase{"ForbiddenByPlace", {}, {"close", "5", "2:4:7"}, Forbidden},
        RuleCase{"ForbiddenByNames", {}, {"close", "SCOPE_A@J4.8"}, Forbidden},
        RuleCase{"FileLimit", {"close", "256,257,259-262,264,265,267-270"}, {"close", "272"},
                 "Command refused: closing 1 relay of board 2 would leave 13 closed, above the limit of 12 "
                 "(max-closed-per-board, bench-3.toml line 1)\n"},
        RuleCase{"StateBreaksARule", {"close", "316"}, {"close", "1"},
                 "Rules broken: 2:4:7 (SCOPE_A@J4.8) is closed, and it is forbidden (forbidden, bench-3.toml line "
                 "15)\nCommand refused: the boards already break a rule\n"},
        RuleCase{"OpenWhileStateBreaksARule", {"close", "316"}, {"open", "316"}, ""},
        RuleCase{"SameNetJoinsNothing", {"close", "418"}, {"close", "0V@0V"}, ""},
        RuleCase{"ApartFromTheExclusiveNets", {"close", "418"}, {"close", "V+@J5.6,I-@J5.5"}, ""}),
    ByName{});

// A list mixes names, numbers and places; a name the file lacks, or any name
// with no file in use, refuses the whole word, adding nothing.
TEST(RelayWords, ReadNamesNumbersAndPlaces)
{
    const Wiring wiring = Parsed(Bench3);
    RelaySet relays;
    std::string error;
    const RelayNaming named{wiring, true, false};
    EXPECT_TRUE(ReadRelayNames(named, "V+@J4.1,0V@0V", relays, error));
    EXPECT_TRUE(ReadRelayNames(named, "5,I+@J5.5 0:4:12", relays, error));
    EXPECT_EQ(relays, RelaySet().set(256).set(511).set(5).set(418).set(100));
    EXPECT_FALSE(ReadRelayNames(named, "7,I+@J9.9", relays, error));
    EXPECT_EQ(error, "\"I+@J9.9\": no crosspoint joins a row of the first name to a column of the second");
    EXPECT_FALSE(ReadRelayNames(RelayNaming{wiring, false, false}, "I+@J5.5", relays, error));
    EXPECT_EQ(error, "\"I+@J5.5\": a crosspoint by the station's names, but no wiring file is in use (give "
                     "--wiring FILE or set RELAYTEST_WIRING)");
    EXPECT_EQ(relays.count(), 5u);
}

// Relay 0 of board 2 forbidden: its first relay swept closes while board 3 is
// read back, so a push landing on the wrong board still shows.
TEST_F(SimCardTest, SweepProbesWithTheFirstRelaySwept)
{
    const Wiring wiring = Parsed("[[forbidden]]\ncrosspoints = [\"256\"]\n[[board]]\nindex = 2\n");
    const std::string out = CaptureStdout([&] { RunSweep(0x0C, SweepWiring{&wiring, RelaySet{}}); });
    const std::size_t on = out.find("Turning on relay  257\n");
    ASSERT_NE(on, std::string::npos);
    EXPECT_LT(out.find("Board #3\r\n", on), out.find("Turning off relay  257\n"));
    EXPECT_NE(out.find("Relay 256 skipped: closing 2:0:0 is forbidden (forbidden, bench-3.toml line 2)\n"),
              std::string::npos);
}

// relaytest closes 0, 8, 100, 105, 129 and 254 and leaves them closed: a
// file that forbids one, or whose nets they would join, is warned of.
TEST(WiringReport, WarnsOfWhatRelaytestCloses)
{
    EXPECT_EQ(RelaytestWarnings(Parsed(Bench3)), "");
    const Wiring board0 = Parsed(R"([[board]]
index = 0
rows = ["A", "", "", "", "B", "", "", ""]
columns = ["", "C", "", "", "", "", "", "", "", "", "", "", "C", "", "", ""]
[[exclusive]]
nets = ["A", "B"]
[[forbidden]]
crosspoints = ["100"]
)");
    EXPECT_EQ(RelaytestWarnings(board0),
              "warning: relaytest closes relay 100 (board 0, row 4 B, column 12 C), which the file forbids (line 8)\n"
              "warning: relaytest's closes (0, 8, 100, 105 on board 0; 129, 254 on board 1, all closed at once by "
              "its end) would join exclusive nets: A and B are joined: 0:0:1 and 0:4:12 are closed "
              "(exclusive, bench-3.toml line 6)\n");
}

// A limit relaytest breaks is called a limit, and a name on two rows (or two
// columns) of one board is warned of: almost always a name typed twice.
TEST(WiringReport, NamesEachRuleAsWhatItIsAndWarnsOfANameOnTwoRows)
{
    EXPECT_EQ(RelaytestWarnings(Parsed("max-closed-per-board = 3\n[[board]]\nindex = 5\n")),
              "warning: relaytest holds 4 relays of board 0 closed at once (0, 8, 100 and 105), above the limit of 3 "
              "(max-closed-per-board, bench-3.toml line 1)\n");
    const std::string report = WiringReport(Parsed(R"([[board]]
index = 1
rows = ["A", "B", "A", "", "", "", "", "A"]
columns = ["C", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "C"]
)"), 32);
    EXPECT_NE(report.find("lower)\nwarning: board 1 has A on rows 0, 2 and 7: two rows of one board on one net are almost "
                          "always a name typed twice\nwarning: board 1 has C on columns 0 and 15: two columns of one "
                          "board on one net are almost always a name typed twice\nrelaytest's"), std::string::npos) << report;
}

}  // namespace
