// Every program of the table in Programs.h under hostile consoles: standard input closed, empty, or
// a pipe that stays open; standard output to a file, a pipe, a pipe nobody
// reads, /dev/full, or closed. Every run must end (or wait only while its open
// input might still deliver a line) and never crash; relaytest exits 0, the
// others 0 unless their record could not be written (5).
#include <gtest/gtest.h>

#include <thread>

#include "Child.h"
#include "Paths.h"
#include "Programs.h"
#include "Transcript.h"

namespace {

enum class In { Closed, DevNull, FinishedPipe, OpenPipe };
enum class Out { File, Pipe, PipeReaderGone, DevFull, Closed };

const char* Name(In in)
{
    switch (in) {
    case In::Closed: return "InClosed";
    case In::DevNull: return "InDevNull";
    case In::FinishedPipe: return "InFinishedPipe";
    case In::OpenPipe: return "InOpenPipe";
    }
    return "?";
}

const char* Name(Out out)
{
    switch (out) {
    case Out::File: return "OutFile";
    case Out::Pipe: return "OutPipe";
    case Out::PipeReaderGone: return "OutPipeReaderGone";
    case Out::DevFull: return "OutDevFull";
    case Out::Closed: return "OutClosed";
    }
    return "?";
}

struct Outcome {
    ChildResult result;
    bool sawWaitOnInput = false;  // blocked reading the open stdin pipe
    bool stillWaitingLater = false;
};

Outcome RunHostile(const Program& program, In in, Out out, const std::string& relaysim)
{
    constexpr ChildInput Inputs[] = {ChildInput::Closed, ChildInput::DevNull, ChildInput::Text, ChildInput::OpenPipe};
    constexpr ChildOutput Outputs[] = {ChildOutput::File, ChildOutput::Pipe, ChildOutput::PipeReaderGone,
                                       ChildOutput::DevFull, ChildOutput::Closed};
    Child child({program.argv, {"RELAYSIM=" + relaysim}, Inputs[static_cast<int>(in)], "",
                 Outputs[static_cast<int>(out)]});
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    while (in == In::OpenPipe && !child.Done() && std::chrono::steady_clock::now() - start < HangLimit) {
        child.Pump(20);
        if (child.BlockedReadingInput()) {
            // Waiting on an input that might still deliver a line is allowed;
            // it must still be waiting, asleep, a little later, and end once
            // the input closes.
            outcome.sawWaitOnInput = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            outcome.stillWaitingLater = child.BlockedReadingInput();
            child.CloseInput();
            break;
        }
    }
    outcome.result = child.Wait(HangLimit);
    return outcome;
}

class HostileConsole : public ::testing::TestWithParam<std::tuple<ProgramId, In, Out>> {};

// The healthy card's run under every pairing of console input and output.
TEST_P(HostileConsole, EndsWithItsStatus)
{
    const Program& program = ProgramFor(std::get<0>(GetParam()));
    const In in = std::get<1>(GetParam());
    const Out out = std::get<2>(GetParam());
    const Outcome o = RunHostile(program, in, out, "");
    const ChildResult& r = o.result;

    ASSERT_TRUE(r.ended) << "still running after the hang limit";
    EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal;
    const bool lost = out == Out::PipeReaderGone || out == Out::DevFull || out == Out::Closed;
    EXPECT_EQ(r.exitCode, lost ? program.lostRecordStatus : 0);
    if (in == In::OpenPipe) {
        // Only a program that waits for the operator reads its input at all.
        EXPECT_EQ(o.sawWaitOnInput, program.waitsForOperator) << "waited for the open input, or ended without it";
        EXPECT_EQ(o.stillWaitingLater, program.waitsForOperator) << "stopped waiting while the input was still open";
    }
    // Where the output can be read, it is the run byte for byte.
    if (out == Out::File || out == Out::Pipe) {
        EXPECT_EQ(TranscriptDiff(HealthyRecord(program.id), r.out), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Consoles, HostileConsole,
    ::testing::Combine(::testing::ValuesIn(AllPrograms()),
                       ::testing::Values(In::Closed, In::DevNull, In::FinishedPipe, In::OpenPipe),
                       ::testing::Values(Out::File, Out::Pipe, Out::PipeReaderGone, Out::DevFull, Out::Closed)),
    [](const auto& p) {
        return std::string(ProgramFor(std::get<0>(p.param)).name) + Name(std::get<1>(p.param)) +
               Name(std::get<2>(p.param));
    });

class LostRecord : public ::testing::TestWithParam<ProgramId> {};

// Standard output that cannot be written is said on standard error, with the
// system's reason: relaytest still exits 0, the others 5.
TEST_P(LostRecord, IsSaidOnStandardError)
{
    const Program& program = ProgramFor(GetParam());
    ChildSpec run(program.argv, {"RELAYSIM="}, ChildInput::DevNull, "", ChildOutput::DevFull);
    run.captureStderr = true;
    const ChildResult r = RunChild(run);
    EXPECT_EQ(r.exitCode, program.lostRecordStatus);
    EXPECT_NE(r.err.find("the record could not be written (No space left on device)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Consoles, LostRecord, ::testing::ValuesIn(AllPrograms()),
                         [](const auto& p) { return std::string(ProgramFor(p.param).name); });

class OutputNowhere : public ::testing::TestWithParam<Out> {};

// relaytest's run against a controller stuck busy, 450000 polls, with every
// write failing: the poll limit still ends it, and nothing retries a failed
// write for ever.
TEST_P(OutputNowhere, StuckBusyRunStillEnds)
{
    const ChildResult r = RunHostile(ProgramFor(ProgramId::Relaytest), In::DevNull, GetParam(), "stuck-busy").result;
    ASSERT_TRUE(r.ended) << "still running after the hang limit";
    EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal;
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Consoles, OutputNowhere, ::testing::Values(Out::PipeReaderGone, Out::DevFull, Out::Closed),
                         [](const auto& p) { return std::string(Name(p.param)); });

}  // namespace
