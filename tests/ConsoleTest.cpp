// The real executable under hostile consoles: standard input closed, empty, or
// a pipe that stays open; standard output to a file, a pipe, a pipe nobody
// reads, /dev/full, or closed. Every run must end (or wait only while its open
// input might still deliver a line), never crash, and exit 0.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Support.h"

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

// Far beyond any honest run (the stuck-busy run writes 19 MB): only a hang
// reaches it.
constexpr auto HangLimit = std::chrono::seconds(90);

struct Outcome {
    bool ended = false;          // exited or was killed by a signal in time
    bool exitedNormally = false;
    int exitCode = -1;
    int signal = 0;
    bool sawWaitOnInput = false;  // blocked reading the open stdin pipe
    bool stillWaitingLater = false;
    std::string out;              // what reached a file or pipe we read
};

// True when the process is blocked in read() on its standard input, the only
// place the program may wait for the console.
bool BlockedReadingStdin(pid_t pid)
{
    const std::string text = ReadFile("/proc/" + std::to_string(pid) + "/syscall");
    const std::string readOnFd0 = std::to_string(SYS_read) + " 0x0 ";
    return text.compare(0, readOnFd0.size(), readOnFd0) == 0;
}

void Drain(int fd, std::string& into, bool& open)
{
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        open = false;
}

Outcome RunHostile(In in, Out out, const std::string& relaysim)
{
    Outcome result;
    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    if (in == In::FinishedPipe || in == In::OpenPipe) {
        EXPECT_EQ(pipe2(inPipe, O_CLOEXEC), 0);
    }
    if (out == Out::Pipe || out == Out::PipeReaderGone) {
        EXPECT_EQ(pipe2(outPipe, O_CLOEXEC), 0);
    }
    if (out == Out::PipeReaderGone) {
        close(outPipe[0]);
        outPipe[0] = -1;
    }
    if (in == In::FinishedPipe) {
        close(inPipe[1]);
        inPipe[1] = -1;
    }
    char outPath[] = "/tmp/relaytest-console-XXXXXX";
    int outFile = -1;
    if (out == Out::File)
        outFile = mkostemp(outPath, O_CLOEXEC);
    const int nullIn = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int fullOut = open("/dev/full", O_WRONLY | O_CLOEXEC);

    // Everything the child needs is prepared before fork.
    const std::string env = "RELAYSIM=" + relaysim;
    std::vector<char*> envp{const_cast<char*>(env.c_str()), nullptr};
    // cppcheck-suppress variableScope ; set before fork, so the child only execs
    const char* exe = RELAYTEST_EXE;

    const pid_t pid = fork();
    if (pid == 0) {
        // An inherited "ignore" would hide a missing measure of the program's
        // own: start from the default disposition.
        (void)signal(SIGPIPE, SIG_DFL);
        switch (in) {
        case In::Closed: close(0); break;
        case In::DevNull: dup2(nullIn, 0); break;
        case In::FinishedPipe:
        case In::OpenPipe: dup2(inPipe[0], 0); break;
        }
        switch (out) {
        case Out::File: dup2(outFile, 1); break;
        case Out::Pipe:
        case Out::PipeReaderGone: dup2(outPipe[1], 1); break;
        case Out::DevFull: dup2(fullOut, 1); break;
        case Out::Closed: close(1); break;
        }
        execle(exe, exe, static_cast<char*>(nullptr), envp.data());
        _exit(127);
    }
    EXPECT_GT(pid, 0);
    close(nullIn);
    close(fullOut);
    if (inPipe[0] >= 0)
        close(inPipe[0]);
    if (outPipe[1] >= 0)
        close(outPipe[1]);
    if (pid <= 0)
        return result;

    bool outOpen = outPipe[0] >= 0;
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (std::chrono::steady_clock::now() - start < HangLimit) {
        if (outOpen) {
            pollfd p{outPipe[0], POLLIN, 0};
            if (poll(&p, 1, 20) > 0)
                Drain(outPipe[0], result.out, outOpen);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (inPipe[1] >= 0 && BlockedReadingStdin(pid)) {
            // Waiting on an input that might still deliver a line is allowed;
            // it must still be waiting, asleep, a little later, and end once
            // the input closes.
            result.sawWaitOnInput = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            result.stillWaitingLater = BlockedReadingStdin(pid);
            close(inPipe[1]);
            inPipe[1] = -1;
        }
        if (!outOpen && waitpid(pid, &status, WNOHANG) == pid) {
            result.ended = true;
            break;
        }
    }
    if (!result.ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (inPipe[1] >= 0)
        close(inPipe[1]);
    if (outPipe[0] >= 0)
        close(outPipe[0]);
    if (outFile >= 0) {
        close(outFile);
        result.out = ReadFile(outPath);
        unlink(outPath);
    }
    result.exitedNormally = WIFEXITED(status);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

class HostileConsole : public ::testing::TestWithParam<std::tuple<In, Out>> {};

// The healthy card's run under every pairing of console input and output.
TEST_P(HostileConsole, EndsWithStatusZero)
{
    const In in = std::get<0>(GetParam());
    const Out out = std::get<1>(GetParam());
    const Outcome r = RunHostile(in, out, "");

    ASSERT_TRUE(r.ended) << "still running after the hang limit";
    EXPECT_TRUE(r.exitedNormally) << "killed by signal " << r.signal;
    EXPECT_EQ(r.exitCode, 0);
    if (in == In::OpenPipe) {
        EXPECT_TRUE(r.sawWaitOnInput) << "ended without waiting for the open input";
        EXPECT_TRUE(r.stillWaitingLater) << "stopped waiting while the input was still open";
    }
    // Where the output can be read, it is the run byte for byte.
    if (out == Out::File || out == Out::Pipe) {
        EXPECT_EQ(TranscriptDiff(Golden("healthy.txt"), r.out), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Consoles, HostileConsole,
    ::testing::Combine(::testing::Values(In::Closed, In::DevNull, In::FinishedPipe, In::OpenPipe),
                       ::testing::Values(Out::File, Out::Pipe, Out::PipeReaderGone, Out::DevFull, Out::Closed)),
    [](const auto& p) { return std::string(Name(std::get<0>(p.param))) + Name(std::get<1>(p.param)); });

class OutputNowhere : public ::testing::TestWithParam<Out> {};

// The longest run there is, 450000 polls of a controller stuck busy, with
// every write failing: the poll limit still ends it, and nothing retries a
// failed write for ever.
TEST_P(OutputNowhere, StuckBusyRunStillEnds)
{
    const Outcome r = RunHostile(In::DevNull, GetParam(), "stuck-busy");
    ASSERT_TRUE(r.ended) << "still running after the hang limit";
    EXPECT_TRUE(r.exitedNormally) << "killed by signal " << r.signal;
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Consoles, OutputNowhere, ::testing::Values(Out::PipeReaderGone, Out::DevFull, Out::Closed),
                         [](const auto& p) { return std::string(Name(p.param)); });

}  // namespace
