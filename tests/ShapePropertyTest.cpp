// The output-shape checks of the fuzz target over seeded random card
// behaviours, so that the normal suite guards them without a fuzzer; and the
// checker itself, shown to reject broken transcripts.
#include <gtest/gtest.h>

#include <random>

#include "CardScript.h"
#include "CaseName.h"
#include "Driver.h"
#include "OutputShape.h"
#include "SimCardTest.h"

namespace {

struct PropertyCase {
    const char* name;
    std::uint8_t mode;  // the mode byte without its long-run bit
    std::uint32_t cases;
};

class RandomCards : public ::testing::TestWithParam<PropertyCase> {};

// Random answers for every poll and data word, one case in twenty with a busy
// run past the poll limit. Stops at the first case that breaks the shape and
// names its seed.
TEST_P(RandomCards, EveryRunKeepsItsShape)
{
    std::uint32_t longRuns = 0;
    for (std::uint32_t seed = 1; seed <= GetParam().cases; ++seed) {
        std::mt19937 random(seed);
        std::vector<std::uint8_t> bytes(random() % 400 + 1);
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(random());
        const bool longRun = random() % 20 == 0;
        longRuns += longRun;
        bytes[0] = static_cast<std::uint8_t>(GetParam().mode | (longRun ? 1 : 0));
        const std::string problem = RunCardScript(bytes.data(), bytes.size());
        ASSERT_EQ(problem, "") << "seed " << seed;
    }
    EXPECT_GT(longRuns, 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, RandomCards,
                         ::testing::Values(PropertyCase{"WholeRun", 0, 1500}, PropertyCase{"Calls", 2, 2500}),
                         ByName{});

// The script's edge cases, spelt out: a poll pattern that lands exactly on the
// limit, numbers just outside the range, the most negative number.
TEST(CardScript, HandPickedInputsKeepTheirShape)
{
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {},
        {0x01, 1, 0, 0, 0, 0xF7, 0xA1, 0x02, 0x00, 0xFF, 0x3F},  // whole run, long run 10053 on the first access
        {0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x0A},              // long run of exactly 10000
        {0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x09},              // 9999 busy, then idle on the limit
        {0x00, 0xFF, 0xFF, 0xFF, 0xFF},                    // card count -1
        {0x02, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF},        // SetRelay(-1)
        {0x02, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00},        // SetRelay(1024)
        {0x02, 0x02, 0x01, 0x00, 0x00, 0x00, 0x80},        // ReadBoard(INT_MIN)
        {0x02, 0x03, 0x01, 0xFF, 0x03, 0x00, 0x00},        // RelayIsOn(1023)
    };
    for (std::size_t i = 0; i < inputs.size(); ++i)
        EXPECT_EQ(RunCardScript(inputs[i].data(), inputs[i].size()), "") << "input " << i;
}

class CheckerAccepts : public SimCardTestWithParam<GoldenRun> {};

// Every golden transcript, against what the card it was taken on shows: a
// card and its revision, or none.
TEST_P(CheckerAccepts, StoredTranscript)
{
    std::string error;
    ASSERT_TRUE(SimApplySettings(GetParam().relaysim, error)) << error;
    const bool cardPresent = GetNumCards() > 0;
    ShapeExpectation expect{true, cardPresent, cardPresent ? SimDefaultRevision : 0u, TestSequenceSteps()};
    EXPECT_EQ(Describe(CheckOutputShape(Golden(GetParam().file), expect)), "");
}

INSTANTIATE_TEST_SUITE_P(Goldens, CheckerAccepts, ::testing::ValuesIn(GoldenRuns()),
                         [](const auto& p) { return CaseName(p.param.file); });

struct Breakage {
    const char* name;
    std::string find;     // first occurrence in the healthy transcript...
    std::string replace;  // ...replaced by this
    std::uint64_t line;   // the problem it must produce
    ShapeFault fault;
};

class CheckerRejects : public ::testing::TestWithParam<Breakage> {};

// One fault at a time in an otherwise healthy transcript: the checker must
// name it, at its line.
TEST_P(CheckerRejects, BrokenTranscript)
{
    std::string out = Golden("healthy.txt");
    const std::size_t at = out.find(GetParam().find);
    ASSERT_NE(at, std::string::npos) << GetParam().find;
    out.replace(at, GetParam().find.size(), GetParam().replace);
    const ShapeExpectation expect{true, true, SimDefaultRevision, TestSequenceSteps()};
    const ShapeProblem problem = CheckOutputShape(out, expect);
    EXPECT_EQ(problem.fault, GetParam().fault) << Describe(problem);
    EXPECT_EQ(problem.line, GetParam().line) << Describe(problem);
}

const std::string Idle = BusyTrace(0);
const std::string Busy = BusyTrace(0x80000000);
const std::string Limit = [] {
    std::string polls;
    for (int i = 0; i < 10000; ++i)
        polls += Busy;
    return polls;
}();
const std::string PastLimit = Limit + Busy;
const std::string Map34 = "X.......X.......................";  // the first word line of the first report

using F = ShapeFault;

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckerRejects,
    ::testing::Values(
        Breakage{"WrongCardLine", "Success\n", "ERROR: TEVRIS didn't find what it expected\n", 1, F::WrongLine},
        Breakage{"LowerCaseRevision", "0002A1F7", "0002a1f7", 2, F::NotAProgramLine},
        Breakage{"UnknownLine", "Turning on relay  100\n", "Turning on relay  100\nhello\n", 10, F::NotAProgramLine},
        Breakage{"NoPoll", Idle + "104", "104", 4, F::PollCount},
        Breakage{"PollAfterIdle", Idle + "104", Idle + Idle + "104", 4, F::PolledAfterIdle},
        Breakage{"AccessWhileBusy", Idle + "104", Busy + "104", 4, F::AccessWhileBusy},
        Breakage{"PastThePollLimit", Idle + "104", PastLimit + "104", 4, F::PollCount},
        Breakage{"TwoAccessesOnOneLine", "104 << 00000001\n", "104 << 00000001108 << 00000000\n", 4, F::NotAProgramLine},
        Breakage{"WrongOffset", "104 << 00000001", "108 << 00000001", 4, F::WrongAccess},
        Breakage{"PushNotTheImage", "104 << 00000001", "104 << 00000003", 4, F::WrongValue},
        Breakage{"GoFlagMissing", "100 << 00000080", "100 << 00000000", 8, F::WrongValue},
        Breakage{"MapNotTheWord", Map34, Map34.substr(0, 31) + "X", 34, F::MapNotTheWord},
        Breakage{"MapTooShort", Map34, Map34.substr(0, 31), 34, F::NotAProgramLine},
        Breakage{"WrongRange", "Relays 32 to  63", "Relays 32 to 63", 35, F::NotAProgramLine},
        Breakage{"ReportWithoutCarriageReturn", "--------\r\n", "--------\n", 38, F::WrongLineEnd},
        Breakage{"NoClosingPrompt", "\nPress enter to exit\n", "\n", 76, F::EndsEarly},
        Breakage{"LastLineUnended", "Press enter to exit\n", "Press enter to exit", 76, F::UnendedLine}),
    ByName{});

// A wait that reaches the limit ends even when the last poll still reads busy.
TEST(Checker, AcceptsTheAccessAfterTenThousandBusyPolls)
{
    std::string out = Golden("healthy.txt");
    const std::string first = Idle + "104";
    out.replace(out.find(first), first.size(), Limit + "104");
    const ShapeExpectation expect{true, true, SimDefaultRevision, TestSequenceSteps()};
    EXPECT_EQ(Describe(CheckOutputShape(out, expect)), "");
}

}  // namespace
