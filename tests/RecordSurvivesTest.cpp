// The record survives the run dying. Each program of the table in Programs.h
// runs on a simulated card whose driver faults at a chosen call, or is slow
// enough to be stopped half-way by a signal, with standard output to a file or a pipe: every line
// the program finished before it died must be in the record, and nothing else,
// and the process must die the way that death ends a process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "Child.h"
#include "Paths.h"
#include "Programs.h"
#include "Transcript.h"

namespace {

enum class Sink { File, Pipe };

// Runs the program with RELAYSIM set, standard input at end of file and
// standard output to the sink. With stopWith set, sends that signal once
// stopAtLines complete lines have come out.
ChildResult Spawn(const Program& program, const std::string& relaysim, Sink sink, int stopWith = 0,
                  std::size_t stopAtLines = 0)
{
    // Under AddressSanitizer the child's fault must stay the kernel's SIGSEGV.
    const char* asan = std::getenv("ASAN_OPTIONS");
    Child child({program.argv,
                 {"RELAYSIM=" + relaysim, std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":handle_segv=0"},
                 ChildInput::DevNull,
                 "",
                 sink == Sink::File ? ChildOutput::File : ChildOutput::Pipe});
    if (stopWith == 0)
        return child.Wait();
    return child.SignalWhen(stopWith, [&](const std::string& out) { return LineCount(out) >= stopAtLines; });
}

const char* Name(Sink sink) { return sink == Sink::File ? "ToFile" : "ToPipe"; }
void PrintTo(Sink sink, std::ostream* os) { *os << Name(sink); }

struct Crash {
    ProgramId program;
    int call;  // the driver call that faults
    const char* name;
    std::size_t lines;  // the healthy run's lines finished before that call
};
void PrintTo(const Crash& crash, std::ostream* os)
{
    *os << ProgramFor(crash.program).name << " crash-after=" << crash.call;
}

// relaytest's driver calls: 1 the card count, 2 the revision, then for the
// k-th of its 45 SPI accesses the busy poll (call 2k + 1) and the access
// itself (call 2k + 2). A fault at an access loses its poll's trace with the
// unfinished line. relaysweep prints its heading before the first call, and
// its first switch line before the first poll; relayctl its heading too.
const Crash Crashes[] = {
    {ProgramId::Relaytest, 2, "RevisionRead", 1},   // after the card-check line, which goes through the stream
    {ProgramId::Relaytest, 3, "FirstPoll", 3},      // the first switch's first poll
    {ProgramId::Relaytest, 30, "MidPush", 18},      // relay 105's push, the write of word 110
    {ProgramId::Relaytest, 48, "MidFetch", 28},     // board 0's first fetch, the read of word 108
    {ProgramId::Relaytest, 83, "AfterReport", 62},  // the poll after board 0's second report
    {ProgramId::Relaytest, 92, "LastAccess", 66},   // board 1's fetch, the read of its last word
    {ProgramId::Relaysweep, 1, "CardCount", 1},     // the heading alone
    {ProgramId::Relaysweep, 2, "RevisionRead", 2},  // the heading and the card check
    {ProgramId::Relaysweep, 3, "FirstPoll", 4},     // the revision and the first switch line too
    {ProgramId::Relaysweep, 2000, "MidSweepAccess", 1597},
    {ProgramId::Relaysweep, 2001, "MidSweepPoll", 1598},
    {ProgramId::Relayctl, 1, "CardCount", 1},         // the heading alone
    {ProgramId::Relayctl, 300, "MidCommandAccess", 187},
    {ProgramId::Relayctl, 301, "MidCommandPoll", 188},
};

class CrashInDriver : public ::testing::TestWithParam<std::tuple<Crash, Sink>> {};

TEST_P(CrashInDriver, RecordHoldsEveryFinishedLine)
{
    const Crash& crash = std::get<0>(GetParam());
    const ChildResult r =
        Spawn(ProgramFor(crash.program), "crash-after=" + std::to_string(crash.call), std::get<1>(GetParam()));
    EXPECT_EQ(TranscriptDiff(FirstLines(HealthyRecord(crash.program), crash.lines), r.out), "");
    EXPECT_EQ(r.signal, SIGSEGV);
}

INSTANTIATE_TEST_SUITE_P(RecordSurvives, CrashInDriver,
                         ::testing::Combine(::testing::ValuesIn(Crashes), ::testing::Values(Sink::File, Sink::Pipe)),
                         [](const auto& p) {
                             const Crash& crash = std::get<0>(p.param);
                             return std::string(ProgramFor(crash.program).name) + crash.name + Name(std::get<1>(p.param));
                         });

class StoppedBySignal : public ::testing::TestWithParam<std::tuple<ProgramId, int, Sink>> {};

// A run at 20 ms a driver call, stopped once 20 lines are out: the record is
// the healthy run up to some finished line at or past the 20th. A program that
// stops safely goes on to open its relays (SafeStopTest checks how) and ends
// its record with the line that says so.
TEST_P(StoppedBySignal, RecordEndsWithAFinishedLine)
{
    const ProgramId program = std::get<0>(GetParam());
    const int stop = std::get<1>(GetParam());
    const ChildResult r = Spawn(ProgramFor(program), "slow=20000", std::get<2>(GetParam()), stop, 20);
    EXPECT_EQ(r.signal, stop);
    const std::size_t lines = LineCount(r.out);
    EXPECT_GE(lines, 20u);
    if (ProgramFor(program).stopsSafely) {
        const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
        EXPECT_EQ(last.rfind(ProgramFor(program).stopLine, 0), 0u) << last;
        return;
    }
    EXPECT_LT(lines, LineCount(HealthyRecord(program)));
    EXPECT_EQ(TranscriptDiff(FirstLines(HealthyRecord(program), lines), r.out), "");
}

INSTANTIATE_TEST_SUITE_P(RecordSurvives, StoppedBySignal,
                         ::testing::Combine(::testing::ValuesIn(AllPrograms()),
                                            ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                                            ::testing::Values(Sink::File, Sink::Pipe)),
                         [](const auto& p) {
                             const int s = std::get<1>(p.param);
                             return std::string(ProgramFor(std::get<0>(p.param)).name) +
                                    (s == SIGINT ? "Sigint" : s == SIGTERM ? "Sigterm" : "Sighup") +
                                    Name(std::get<2>(p.param));
                         });

}  // namespace
