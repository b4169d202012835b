// The simulated card's settings, as RELAYSIM spells them: each one changes
// what the driver's functions answer, and anything it does not know or cannot
// read is refused, naming the setting.
#include "CaseName.h"
#include "Driver.h"
#include "SimCardTest.h"
#include "SimState.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr std::uint32_t Busy = 0x80000000u;

std::uint32_t Control() { return InBAR32(0, 2, 0x100); }

// Board 0 as a fetch returns it, after relay 5's bit was pushed.
std::uint32_t Word0AfterPushingRelay5()
{
    OutBAR32(0, 2, 0x104, 1u << 5);
    OutBAR32(0, 2, 0x100, 0x80);
    OutBAR32(0, 2, 0x100, 0);
    return InBAR32(0, 2, 0x104);
}

// Board 3 as a fetch returns it, after relay 5's bit was pushed to board 0.
std::uint32_t Board3Word0AfterPushingBoard0()
{
    OutBAR32(0, 2, 0x104, 1u << 5);
    OutBAR32(0, 2, 0x100, 0x80);
    OutBAR32(0, 2, 0x100, 3);
    return InBAR32(0, 2, 0x104);
}

struct Applied {
    const char* settings;
    std::function<std::uint32_t()> probe;  // what the card answers afterwards
    std::uint32_t expected;
};

class SettingsApplied : public SimCardTestWithParam<Applied> {};

TEST_P(SettingsApplied, ChangeWhatTheCardAnswers)
{
    std::string error;
    ASSERT_TRUE(SimApplySettings(GetParam().settings, error)) << error;
    EXPECT_EQ(GetParam().probe(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsApplied,
    ::testing::Values(
        Applied{"cards=3", [] { return static_cast<std::uint32_t>(GetNumCards()); }, 3},
        Applied{"cards=-1", [] { return static_cast<std::uint32_t>(GetNumCards()); }, 0xFFFFFFFFu},
        Applied{"revision=1A2b3C4d", [] { return RelInPortDWord(0, 0x68); }, 0x1A2B3C4Du},
        Applied{"busy=2",
                [] {
                    OutBAR32(0, 2, 0x104, 0);
                    const std::uint32_t first = Control();
                    const std::uint32_t second = Control();
                    return first & second & ~Control();
                },
                Busy},
        Applied{"stuck-busy", [] { return Control() & Control() & Control(); }, Busy},
        Applied{"deaf", Word0AfterPushingRelay5, 0},
        Applied{"stuck-on=7", Word0AfterPushingRelay5, (1u << 5) | (1u << 7)},
        Applied{"stuck-off=5", Word0AfterPushingRelay5, 0},
        Applied{"stuck-on=5 stuck-off=5", Word0AfterPushingRelay5, 0},
        Applied{"stuck-on=7,stuck-on=9", Word0AfterPushingRelay5, (1u << 5) | (1u << 7) | (1u << 9)},
        Applied{"coupled=5:9", Word0AfterPushingRelay5, (1u << 5) | (1u << 9)},
        Applied{"coupled=9:5", Word0AfterPushingRelay5, 1u << 5},
        Applied{"coupled=5:9,coupled=5:10", Word0AfterPushingRelay5, (1u << 5) | (1u << 9) | (1u << 10)},
        Applied{"coupled=133:137", Word0AfterPushingRelay5, 1u << 5},
        Applied{"alias=0:3", Board3Word0AfterPushingBoard0, 1u << 5},
        Applied{"alias=3:0", Board3Word0AfterPushingBoard0, 0},
        Applied{"", Board3Word0AfterPushingBoard0, 0},
        Applied{"absent=0", Word0AfterPushingRelay5, 0xFFFFFFFFu},
        Applied{"absent=3", Board3Word0AfterPushingBoard0, 0xFFFFFFFFu},
        Applied{"cards=0,cards=2", [] { return static_cast<std::uint32_t>(GetNumCards()); }, 2},
        Applied{"", [] { return RelInPortDWord(0, 0x68); }, SimDefaultRevision}),
    [](const auto& p) {
        // Cases with no setting at all are told apart by their place.
        const std::string settings = p.param.settings;
        return settings.empty() ? "NoSetting" + std::to_string(p.index) : CaseName(settings);
    });

class SettingsRefused : public SimCardTestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SettingsRefused, NameTheSettingAndTheKnownOnes)
{
    std::string error;
    EXPECT_FALSE(SimApplySettings(GetParam().first, error));
    EXPECT_EQ(error.substr(0, error.find(" (known: ")), GetParam().second);
    EXPECT_NE(error.find("(known: cards=N, revision=HEX, busy=N, stuck-busy, deaf, stuck-on=R, stuck-off=R, "
                         "coupled=A:B, alias=A:B, absent=B, clears=A:B, sag=B:N, ghost=A:B, late=R:N, shift=B, "),
              std::string::npos)
        << error;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsRefused,
    ::testing::Values(
        std::make_pair("stuck_on=5", "unknown setting \"stuck_on=5\" in RELAYSIM"),
        std::make_pair("cards=1,busy", "bad setting \"busy\" in RELAYSIM: use busy=N, N from 0 to 4294967295"),
        std::make_pair("stuck-on=1024", "bad setting \"stuck-on=1024\" in RELAYSIM: use stuck-on=R, R from 0 to 1023"),
        std::make_pair("stuck-off=-1", "bad setting \"stuck-off=-1\" in RELAYSIM: use stuck-off=R, R from 0 to 1023"),
        std::make_pair("busy=2x", "bad setting \"busy=2x\" in RELAYSIM: use busy=N, N from 0 to 4294967295"),
        std::make_pair("cards= 1", "bad setting \"cards=\" in RELAYSIM: use cards=N, N from -2147483648 to 2147483647"),
        std::make_pair("revision=0x1F", "bad setting \"revision=0x1F\" in RELAYSIM: use revision=HEX, up to eight "
                                        "hexadecimal digits"),
        std::make_pair("revision=123456789", "bad setting \"revision=123456789\" in RELAYSIM: use revision=HEX, up to "
                                             "eight hexadecimal digits"),
        std::make_pair("crash-after=0", "bad setting \"crash-after=0\" in RELAYSIM: use crash-after=N, N from 1 to "
                                        "4294967295"),
        std::make_pair("slow=-5", "bad setting \"slow=-5\" in RELAYSIM: use slow=US, US from 0 to 4294967295"),
        std::make_pair("deaf=1", "bad setting \"deaf=1\" in RELAYSIM: use deaf alone"),
        std::make_pair("stuck-busy=yes", "bad setting \"stuck-busy=yes\" in RELAYSIM: use stuck-busy alone")),
    [](const auto& p) { return CaseName(p.param.first); });

// The pair settings and the board setting, each refused with its usage for
// every argument it cannot take.
TEST(SettingsRefused, PairsAndBoardsWithTheirUsage)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> refusals = {
        {"coupled=A:B, two relays of one board, A and B from 0 to 1023",
         {"coupled=5", "coupled=5:200", "coupled=5:5", "coupled=1023:1024", "coupled=:3"}},
        {"alias=A:B, two different boards, A and B from 0 to 7", {"alias=2:2", "alias=0:8", "alias=1:2:3", "alias"}},
        {"absent=B, B from 0 to 7", {"absent=8", "absent", "absent=1:2"}},
        {"clears=A:B, two relays of one board, A and B from 0 to 1023", {"clears=5:200", "clears=5:5", "clears=5"}},
        {"sag=B:N, B from 0 to 7, N from 0 to 127", {"sag=8:3", "sag=0:128", "sag=0:-1", "sag=0", "sag=0:3x"}},
        {"ghost=A:B, two relays of different boards, A and B from 0 to 1023",
         {"ghost=5:6", "ghost=5:1024", "ghost=5:200:1"}},
        {"late=R:N, R from 0 to 1023, N from 1 to 4294967295", {"late=5:0", "late=1024:2", "late=5:4294967296", "late=5"}},
        {"shift=B, B from 0 to 7", {"shift=8", "shift", "shift=0:1"}},
    };
    for (const auto& [usage, tokens] : refusals) {
        for (const std::string& token : tokens) {
            SimReset();
            std::string error;
            EXPECT_FALSE(SimApplySettings(token, error));
            std::string expected = "bad setting \"" + token;
            expected += "\" in RELAYSIM: use " + usage;
            EXPECT_EQ(error.substr(0, error.find(" (known: ")), expected);
        }
    }
}

// The faults of many relays at once: what each read-back returns after given
// pushes, from this program (P), or from another program sharing the state
// file (F), and reads (R) of a board.
struct Step {
    char what;
    int board;
    BoardWords words;
};

TEST(FaultsOfManyRelays, ShowInWhatEachReadBackReturns)
{
    const std::string state = "relaysim-faults-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint32_t r5 = 1u << 5;
    const std::uint32_t r6 = 1u << 6;
    const std::vector<std::pair<std::string, std::vector<Step>>> table = {
        {"clears=5:6", {{'P', 0, {r5 | r6}}, {'R', 0, {r5}}, {'P', 0, {r6}}, {'R', 0, {r6}}}},
        {"clears=6:5", {{'P', 0, {r5 | r6}}, {'R', 0, {r6}}}},
        {"clears=133:134,coupled=133:135", {{'P', 1, {r5 | r6}}, {'R', 1, {r5 | 1u << 7}}}},
        {"sag=0:2", {{'P', 0, {r5 | r6}}, {'R', 0, {r5 | r6}}}},
        {"sag=0:1", {{'P', 0, {r5 | r6}}, {'R', 0, {}}, {'P', 0, {r5}}, {'R', 0, {r5}}}},
        {"sag=0:0,stuck-on=7", {{'P', 0, {r5}}, {'R', 0, {1u << 7}}}},
        {"sag=1:0", {{'P', 0, {r5 | r6}}, {'R', 0, {r5 | r6}}}},
        {"ghost=5:200", {{'P', 0, {r5}}, {'R', 1, {0, 0, 1u << 8}}, {'P', 0, {}}, {'R', 1, {}}}},
        {"ghost=200:5", {{'P', 0, {r5}}, {'R', 1, {}}}},
        {"ghost=5:200,state=" + state, {{'F', 0, {r5}}, {'R', 1, {0, 0, 1u << 8}}}},
        {"late=5:2", {{'P', 0, {r5}}, {'R', 0, {}}, {'R', 0, {r5}}, {'P', 0, {}}, {'R', 0, {r5}}, {'R', 0, {}}}},
        {"late=5:3", {{'P', 0, {r5}}, {'R', 0, {}}, {'R', 0, {}}, {'P', 0, {}}, {'R', 0, {}}, {'R', 0, {}}}},
        {"late=5:1", {{'P', 0, {r5}}, {'R', 0, {r5}}, {'P', 0, {}}, {'R', 0, {}}}},
        {"late=5:2,coupled=6:5", {{'P', 0, {r6}}, {'R', 0, {r6}}, {'R', 0, {r5 | r6}}}},
        {"late=5:2,state=" + state, {{'F', 0, {r5}}, {'R', 0, {}}, {'R', 0, {r5}}}},
        {"shift=0", {{'P', 0, {1u | 1u << 31, 0, 0, 1u << 31}}, {'R', 0, {2u, 1u, 0, 0}}}},
        {"shift=1", {{'P', 0, {1u}}, {'R', 0, {1u}}}},
    };
    for (const auto& [settings, steps] : table) {
        SCOPED_TRACE(settings);
        (void)std::remove(state.c_str());
        SimPowerOnWith(settings);
        ASSERT_EQ(GetNumCards(), 1);
        for (const Step& step : steps) {
            std::string error;
            if (step.what == 'F') {
                ASSERT_TRUE(PushSimState(state, 1u << step.board, step.words, error)) << error;
                continue;
            }
            for (std::uint32_t w = 0; w < 4 && step.what == 'P'; ++w)
                OutBAR32(0, 2, 0x104 + 4 * w, step.words[w]);
            OutBAR32(0, 2, 0x100, static_cast<std::uint32_t>(step.board) | (step.what == 'P' ? 0x80u : 0u));
            const BoardWords read{InBAR32(0, 2, 0x104), InBAR32(0, 2, 0x108), InBAR32(0, 2, 0x10C), InBAR32(0, 2, 0x110)};
            if (step.what == 'R') {
                EXPECT_EQ(read, step.words);
            }
        }
    }
    SimReset();
    for (const std::string& made : {state, state + ".lock"})
        (void)std::remove(made.c_str());
}

// A setting the card cannot take, or a state file it cannot read, leaves no
// card (not even the settings before it) and the process running.
TEST(SettingsRefused, LeaveNoCardAndTheProcessRunning)
{
    const std::string state = "relaysim-bad-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::FILE* file = std::fopen(state.c_str(), "w");
    ASSERT_TRUE(file != nullptr && std::fputs("board 0: 1\n", file) >= 0 && std::fclose(file) == 0);
    for (const std::string& settings : {std::string("stuck_on=5"), "revision=1234,state=" + state}) {
        SimPowerOnWith(settings);
        EXPECT_EQ(GetNumCards(), 0) << settings;
        EXPECT_EQ(RelInPortDWord(0, 0x68), 0u) << settings;
    }
    SimReset();
    for (const std::string& made : {state, state + ".lock"})
        (void)std::remove(made.c_str());
}

}  // namespace
