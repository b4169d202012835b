// Whole runs of the program on the simulated card, in-process and as the real
// executable.
#include <sstream>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RecordReader.h"
#include "SimCardTest.h"

using relaylog::LineKind;
using relaylog::ReadResult;
using relaylog::ReaderMode;
using relaylog::RecordLine;
using relaylog::RecordReader;

namespace {

// The real executable on the simulated card that RELAYSIM describes.
ChildResult RunRelaytest(const std::string& relaysim, ChildInput input = ChildInput::DevNull)
{
    return RunChild({{RelaytestPath()}, {"RELAYSIM=" + relaysim}, input, input == ChildInput::Text ? "\n" : ""});
}

struct Transcript {
    const char* golden;
    const char* relaysim;  // the same card, for the real executable
    std::function<void()> setUp;
};

class Transcripts : public SimCardTestWithParam<Transcript> {};

// Whole runs against healthy and faulty cards, byte for byte.
TEST_P(Transcripts, InProcessRunMatchesGolden)
{
    GetParam().setUp();
    int code = -1;
    const std::string out = RunInProcess(&code);
    EXPECT_EQ(TranscriptDiff(Golden(GetParam().golden), out), "");
    EXPECT_EQ(code, 0);
}

TEST_P(Transcripts, ExecutableMatchesGolden)
{
    const ChildResult r = RunRelaytest(GetParam().relaysim);
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
    [](const auto& p) { return CaseName(p.param.golden); });

// A controller that never clears busy: every one of the run's 45 accesses
// polls 10000 times, all busy, then goes ahead on the same line. Checked by
// reading both records line by line rather than against a stored 19 MB file.
TEST(Executable, StuckBusyRunPollsEachAccessToTheLimit)
{
    const ChildResult r = RunRelaytest("stuck-busy");
    EXPECT_EQ(r.exitCode, 0);

    std::istringstream stuck(r.out);
    std::istringstream healthy(Golden("healthy.txt"));
    RecordReader stuckLines(stuck, ReaderMode::Strict);
    RecordReader healthyLines(healthy, ReaderMode::Strict);
    RecordLine s;
    RecordLine h;
    std::uint64_t accesses = 0;
    std::uint64_t busyTraces = 0;
    while (healthyLines.Next(h) == ReadResult::Line) {
        ASSERT_EQ(stuckLines.Next(s), ReadResult::Line) << "line " << h.number << ": " << stuckLines.Error();
        ASSERT_EQ(s.kind, h.kind) << "line " << h.number << ": no extra line marks the timeout";
        if (s.kind != LineKind::Access)
            continue;
        ++accesses;
        busyTraces += s.polls.count;
        EXPECT_EQ(s.polls.count, 10000u) << "line " << s.number;
        EXPECT_TRUE(s.polls.allSame && s.polls.firstValue == 0x80000000u) << "line " << s.number;
        EXPECT_TRUE(s.offset == h.offset && s.write == h.write && s.value == h.value) << "line " << s.number;
    }
    EXPECT_EQ(stuckLines.Next(s), ReadResult::End);
    EXPECT_EQ(accesses, 45u);
    EXPECT_EQ(busyTraces, 450000u);
    // Each access's one idle poll became 10000 busy ones; nothing else changed.
    const std::size_t poll = BusyTrace(0).size();
    EXPECT_EQ(r.out.size(), Golden("healthy.txt").size() + accesses * (10000 - 1) * poll);
}

// A setting the simulated card does not know stops the program before it
// prints anything: a demonstration never runs a healthy card by mistake.
TEST(Executable, RefusesASimulatedCardSettingItDoesNotKnow)
{
    ChildSpec run{{RelaytestPath()}, {"RELAYSIM=busy=1,stuck_on=5"}};
    run.captureStderr = true;
    const ChildResult r = RunChild(run);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    const std::string head = "relaysim: unknown setting \"stuck_on=5\" in RELAYSIM (known: cards=N, ";
    EXPECT_EQ(r.err.compare(0, head.size(), head), 0) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

using WholeRun = SimCardTest;

TEST_F(WholeRun, DriverCallOrderStartsWithCountThenRevision)
{
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

class Revision : public SimCardTestWithParam<std::pair<std::uint32_t, const char*>> {};

TEST_P(Revision, EightUpperCaseDigits)
{
    SimSetRevision(GetParam().first);
    const std::string out = RunInProcess();
    EXPECT_EQ(out.substr(0, out.find('\n', out.find('\n') + 1) + 1),
              std::string("Success\nFPGA Rev: ") + GetParam().second + "\n");
}

INSTANTIATE_TEST_SUITE_P(Values, Revision,
                         ::testing::Values(std::make_pair(0x0u, "00000000"), std::make_pair(0x1au, "0000001A"),
                                           std::make_pair(0xabcdef12u, "ABCDEF12")),
                         [](const auto& p) { return "Rev" + std::string(p.param.second); });

// An operator's Enter ends the wait, and the output through a pipe keeps the
// card-check line ahead of the printf lines.
TEST(Executable, EnterEndsTheWait)
{
    const ChildResult r = RunRelaytest("", ChildInput::Text);
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
