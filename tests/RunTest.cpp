// Whole runs of the program on the simulated card, in-process and as the real
// executable.
#include <gtest/gtest.h>

#include <algorithm>

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

struct Transcript {
    const char* golden;
    const char* relaysim;  // the same card, for the real executable
    std::function<void()> setUp;
};

class Transcripts : public ::testing::TestWithParam<Transcript> {};

// Whole runs against healthy and faulty cards, byte for byte.
TEST_P(Transcripts, InProcessRunMatchesGolden)
{
    ResetCard();
    ResetRelays();
    GetParam().setUp();
    int code = -1;
    const std::string out = RunInProcess(&code);
    EXPECT_EQ(TranscriptDiff(Golden(GetParam().golden), out), "");
    EXPECT_EQ(code, 0);
}

TEST_P(Transcripts, ExecutableMatchesGolden)
{
    const ChildResult r = RunCommand(std::string("RELAYSIM='") + GetParam().relaysim + "' '" + RELAYTEST_EXE +
                                     "' </dev/null 2>/dev/null");
    EXPECT_EQ(TranscriptDiff(Golden(GetParam().golden), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, Transcripts,
    ::testing::Values(
        // Every board returns what was last written: the read-backs show relays
        // 0, 8, 100, 105 on board 0 and 129, 254 on board 1.
        Transcript{"healthy.txt", "", [] {}},
        // No card: the error line comes first, every access still goes to the
        // driver and shows what it returns.
        Transcript{"nocard.txt", "cards=0", [] { SimSetCardCount(0); }},
        // Boards that ignore writes: the first read-back clears board 0's image,
        // the second shows it all off, and board 1's pushes are unchanged.
        Transcript{"deaf.txt", "deaf",
                   [] {
                       for (int b = 0; b < 8; ++b)
                           SimSetBoardFixed(b, BoardWords{});
                   }},
        // Busy for two polls before every access: three traces on each line.
        Transcript{"busy-twice.txt", "busy=2", [] { SimSetBusyPolls(2); }}),
    [](const auto& p) {
        std::string name = p.param.golden;
        name = name.substr(0, name.find('.'));
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

// A controller that never clears busy: every one of the run's 45 accesses
// polls 10000 times, then goes ahead on the same line. Checked by counting
// against the healthy run rather than a stored 19 MB file.
TEST(Executable, StuckBusyRunPollsEachAccessToTheLimit)
{
    const ChildResult r = RunCommand(std::string("RELAYSIM=stuck-busy '") + RELAYTEST_EXE + "' </dev/null");
    EXPECT_EQ(r.exitCode, 0);

    const std::string idle = "  [[[ SPI Busy Check 100 ?? 00000000 ]]]  ";
    const std::string busy = "  [[[ SPI Busy Check 100 ?? 80000000 ]]]  ";
    const std::string healthy = Golden("healthy.txt");
    std::size_t accesses = 0;
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = healthy.find(idle, at)) != std::string::npos; at += idle.size())
        ++accesses;
    for (char c : healthy)
        lines += c == '\n';
    ASSERT_EQ(accesses, 45u);

    std::size_t outLines = 0;
    std::size_t busyTraces = 0;
    std::size_t start = 0;
    while (start < r.out.size()) {
        const std::size_t end = r.out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "the output ends inside a line";
        const std::string line = r.out.substr(start, end - start);
        std::size_t traces = 0;
        std::size_t at = 0;
        while (line.compare(at, busy.size(), busy) == 0) {
            ++traces;
            at += busy.size();
        }
        ASSERT_TRUE(traces == 0 || traces == 10000u) << "line " << outLines + 1 << " has " << traces << " polls";
        EXPECT_EQ(line.find("SPI Busy Check", at), std::string::npos) << "line " << outLines + 1;
        busyTraces += traces;
        ++outLines;
        start = end + 1;
    }
    EXPECT_EQ(outLines, lines) << "no extra line marks the timeout";
    EXPECT_EQ(busyTraces, 450000u);
    EXPECT_EQ(r.out.size(), healthy.size() + accesses * (10000 * busy.size() - idle.size()));
}

TEST(Run, DriverCallOrderStartsWithCountThenRevision)
{
    ResetCard();
    ResetRelays();
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

class Revision : public ::testing::TestWithParam<std::pair<std::uint32_t, const char*>> {};

TEST_P(Revision, EightUpperCaseDigits)
{
    ResetCard();
    ResetRelays();
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
TEST(Executable, EnterEndsTheWait)
{
    const ChildResult r = RunCommand(std::string("echo | env -u RELAYSIM '") + RELAYTEST_EXE + "'");
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
