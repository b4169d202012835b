// Whole runs of the program on the simulated card, in-process and as the real
// executable.
#include <gtest/gtest.h>

#include "Support.h"

namespace {

std::string RunInProcess(int* exitCode = nullptr)
{
    return CaptureStdout([&] {
        const int code = RelaytestMain();
        if (exitCode != nullptr)
            *exitCode = code;
    });
}

TEST(Run, HealthyCardMatchesGolden)
{
    ResetCard();
    int code = -1;
    const std::string out = RunInProcess(&code);
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), out), "");
    EXPECT_EQ(code, 0);
}

TEST(Run, DriverCallOrderStartsWithCountThenRevision)
{
    ResetCard();
    RunInProcess();
    const auto& log = SimLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].op, SimOp::GetNumCards);
    EXPECT_EQ(log[1], (SimCall{SimOp::RelInPortDWord, 0, 0, 0x68, SimDefaultRevision}));
    for (std::size_t i = 2; i < log.size(); ++i) {
        EXPECT_TRUE(log[i].op == SimOp::InBAR32 || log[i].op == SimOp::OutBAR32) << "call " << i;
        EXPECT_EQ(log[i].card, 0);
        EXPECT_EQ(log[i].bar, 2);
    }
}

// A missing card is reported first, and everything after it still runs.
TEST(Run, NoCardReportsErrorAndCarriesOn)
{
    ResetCard();
    SimSetCardCount(0);
    int code = -1;
    const std::string out = RunInProcess(&code);
    EXPECT_EQ(TranscriptDiff(Golden("nocard.txt"), out), "");
    EXPECT_EQ(code, 0);
}

class Revision : public ::testing::TestWithParam<std::pair<std::uint32_t, const char*>> {};

TEST_P(Revision, EightUpperCaseDigits)
{
    ResetCard();
    SimSetRevision(GetParam().first);
    const std::string out = RunInProcess();
    EXPECT_EQ(out.substr(0, out.find('\n', out.find('\n') + 1) + 1),
              std::string("Success\nFPGA Rev: ") + GetParam().second + "\n");
}

INSTANTIATE_TEST_SUITE_P(Values, Revision,
                         ::testing::Values(std::make_pair(0x0u, "00000000"), std::make_pair(0x1au, "0000001A"),
                                           std::make_pair(0xabcdef12u, "ABCDEF12")));

// The executable with nobody at the keyboard: it must not wait, and its output
// through a pipe must keep the card-check line ahead of the printf lines.
TEST(Executable, MatchesGoldenThroughPipeWithNoInput)
{
    const ChildResult r = RunCommand(std::string("env -u RELAYSIM '") + RELAYTEST_EXE + "' </dev/null");
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Executable, EnterEndsTheWait)
{
    const ChildResult r = RunCommand(std::string("echo | env -u RELAYSIM '") + RELAYTEST_EXE + "'");
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
