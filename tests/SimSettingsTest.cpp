// The simulated card's settings, as RELAYSIM spells them: each one changes
// what the driver's functions answer, and anything it does not know or cannot
// read is refused, naming the setting.
#include "CaseName.h"
#include "Driver.h"
#include "SimCardTest.h"

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
                         "coupled=A:B, alias=A:B, absent=B"),
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
