// Whole runs of the program on the simulated card, in-process and as the real
// executable.
#include <sstream>

#include "CaseName.h"
#include "RecordReader.h"
#include "RunProgram.h"
#include "SimCardTest.h"

using relaylog::LineKind;
using relaylog::ReadResult;
using relaylog::ReaderMode;
using relaylog::RecordLine;
using relaylog::RecordReader;

namespace {

class Transcripts : public SimCardTestWithParam<GoldenRun> {};

// Whole runs against healthy and faulty cards, byte for byte: in process on the
// simulated card set up as the golden's RELAYSIM says, and as the real
// executable with that RELAYSIM.
TEST_P(Transcripts, InProcessRunMatchesGolden)
{
    std::string error;
    ASSERT_TRUE(SimApplySettings(GetParam().relaysim, error)) << error;
    int code = -1;
    const std::string out = RunInProcess(&code);
    EXPECT_EQ(TranscriptDiff(Golden(GetParam().file), out), "");
    EXPECT_EQ(code, 0);
}

TEST_P(Transcripts, ExecutableMatchesGolden)
{
    const ChildResult r = RunProgram("relaytest", {}, GetParam().relaysim);
    EXPECT_EQ(TranscriptDiff(Golden(GetParam().file), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

// Every transcript of tests/golden/goldens.txt, where each card is described.
INSTANTIATE_TEST_SUITE_P(Cards, Transcripts, ::testing::ValuesIn(GoldenRuns()),
                         [](const auto& p) { return CaseName(p.param.file); });

// A controller that never clears busy: every one of the run's 45 accesses
// polls 10000 times, all busy, then goes ahead on the same line. Checked by
// reading both records line by line rather than against a stored 19 MB file.
TEST(Executable, StuckBusyRunPollsEachAccessToTheLimit)
{
    const ChildResult r = RunProgram("relaytest", {}, "stuck-busy");
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

// A setting the simulated card does not know leaves no card at all, said on
// standard error: a demonstration never runs a healthy card by mistake, and
// the program runs as it does on a PC without the card.
TEST(Executable, RefusesASimulatedCardSettingItDoesNotKnow)
{
    const ChildResult r = RunProgram("relaytest", {}, "busy=1,stuck_on=5");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Golden("nocard.txt"));
    EXPECT_NE(r.err.find("); the simulated card is absent\n"), std::string::npos) << r.err;
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
    const ChildResult r = RunProgram("relaytest", {}, "", Typed("\n"));
    EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
