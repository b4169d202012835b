// Measures what relaytest costs on the simulated card against the floor of
// printing the same bytes:
//   (a) the healthy full run            relaytest
//   (b) the stuck-busy full run         RELAYSIM=stuck-busy relaytest
//   (c) the bytes of (b) through the same printf formats, with nothing else
//   (d) the bytes of (b) in one write()
// each to /dev/null and to a file, as medians over several runs, and the peak
// resident memory of (a) and (b).
//
//   relaybench RELAYTEST [RUNS] [SCRATCH-FILE]
//
// (a), (b) and (c) are timed from fork to exit, start-up included; (c) is this
// program re-executed, loading the few hundred printf calls of the record (runs
// of the same call kept as counts). (d) is timed from the moment its bytes are
// in memory: it is the floor of the write alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Replay.h"

namespace {

using Clock = std::chrono::steady_clock;

// A re-executed relaybench reports "ready" on this descriptor and waits for
// "go" on the next one before it prints.
constexpr int ReadyFd = 3;
constexpr int GoFd = 4;

std::string ReadAll(const char* path)
{
    std::string all;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        return all;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        all.append(buffer, n);
    (void)std::fclose(f);
    return all;
}

[[noreturn]] void Fail(const char* what)
{
    (void)std::fprintf(stderr, "relaybench: %s\n", what);
    std::exit(1);
}

struct Child {
    std::vector<std::string> args;
    const char* relaysim = nullptr;  // RELAYSIM for relaytest, none when null
    bool handshake = false;          // a re-executed relaybench: time from "go"
};

// Runs the child with stdout to target and stdin from /dev/null; returns its
// time in seconds.
double Run(const Child& child, const char* target)
{
    int ready[2] = {-1, -1};
    int go[2] = {-1, -1};
    if (child.handshake && (pipe(ready) != 0 || pipe(go) != 0))
        Fail("cannot make pipes");
    (void)std::fflush(stdout);
    Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(target, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0)
            _exit(127);
        dup2(out, 1);
        dup2(in, 0);
        if (child.handshake) {
            dup2(ready[1], ReadyFd);
            dup2(go[0], GoFd);
        }
        if (child.relaysim != nullptr)
            setenv("RELAYSIM", child.relaysim, 1);
        else
            unsetenv("RELAYSIM");
        std::vector<char*> argv;
        for (const std::string& a : child.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (child.handshake) {
        close(ready[1]);
        close(go[0]);
        char byte = 0;
        if (read(ready[0], &byte, 1) != 1)
            Fail("the replay did not start");
        start = Clock::now();
        if (write(go[1], &byte, 1) != 1)
            Fail("cannot start the replay");
        close(ready[0]);
        close(go[1]);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const Clock::time_point end = Clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("a child run failed");
    return std::chrono::duration<double>(end - start).count();
}

double Median(const Child& child, const char* target, int runs)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i)
        times.push_back(Run(child, target));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Peak resident memory of the real program, read from its own VmHWM while it
// waits for the operator after its last line. After exec the figure counts
// only relaytest's pages, none of this process's.
long PeakRssKiB(const char* exe, const char* relaysim)
{
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        Fail("cannot make pipes");
    (void)std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        if (relaysim != nullptr)
            setenv("RELAYSIM", relaysim, 1);
        else
            unsetenv("RELAYSIM");
        execl(exe, exe, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    const std::string prompt = "\nPress enter to exit\n";
    std::string tail;
    long peak = -1;
    char buffer[1 << 16];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        tail.append(buffer, static_cast<std::size_t>(n));
        if (tail.size() > prompt.size())
            tail.erase(0, tail.size() - prompt.size());
        if (peak < 0 && tail == prompt) {
            const std::string status = ReadAll(("/proc/" + std::to_string(pid) + "/status").c_str());
            const std::size_t at = status.find("VmHWM:");
            if (at != std::string::npos)
                peak = std::strtol(status.c_str() + at + 6, nullptr, 10);
            close(in[1]);
            in[1] = -1;
        }
    }
    close(out[0]);
    if (in[1] >= 0)
        close(in[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    return peak;
}

// The re-executed sides.
int ReplayMain(const char* opsFile)
{
    std::vector<PrintOp> ops;
    if (!LoadOps(ReadAll(opsFile), ops))
        return 1;
    Replay(ops);
    return 0;
}

int WriteMain(const char* record)
{
    const std::string bytes = ReadAll(record);
    char byte = 1;
    if (write(ReadyFd, &byte, 1) != 1 || read(GoFd, &byte, 1) != 1)
        return 1;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(1, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return 1;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--replay") == 0)
        return ReplayMain(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0)
        return WriteMain(argv[2]);
    if (argc < 2 || argc > 4) {
        (void)std::fprintf(stderr, "usage: relaybench RELAYTEST [RUNS] [SCRATCH-FILE]\n");
        return 2;
    }
    const std::string self = "/proc/self/exe";
    const std::string exe = argv[1];
    const int runs = argc > 2 ? static_cast<int>(std::clamp(std::strtol(argv[2], nullptr, 10), 1L, 100000L)) : 7;
    const std::string scratch = argc > 3 ? argv[3] : "relaybench.out";
    const std::string record = scratch + ".record";
    const std::string opsFile = scratch + ".ops";
    char selfPath[4096] = {};
    if (readlink(self.c_str(), selfPath, sizeof selfPath - 1) <= 0)
        Fail("cannot find its own executable");

    const Child healthy{{exe}, nullptr, false};
    const Child stuck{{exe}, "stuck-busy", false};
    const Child replay{{selfPath, "--replay", opsFile}, nullptr, false};
    const Child oneWrite{{selfPath, "--write", record}, nullptr, true};

    // The stuck-busy record, and a check that the floor prints exactly it.
    Run(stuck, record.c_str());
    const std::string bytes = ReadAll(record.c_str());
    std::vector<PrintOp> ops;
    std::size_t badAt = 0;
    if (!ParseRecord(bytes, ops, badAt))
        Fail("cannot follow the stuck-busy record");
    FILE* saved = std::fopen(opsFile.c_str(), "wb");
    const std::string text = SaveOps(ops);
    if (saved == nullptr || std::fwrite(text.data(), 1, text.size(), saved) != text.size() || std::fclose(saved) != 0)
        Fail("cannot save the printf calls");
    Run(replay, scratch.c_str());
    if (ReadAll(scratch.c_str()) != bytes)
        Fail("the replay does not reproduce the record");
    std::size_t polls = 0;
    std::size_t calls = 0;
    for (const PrintOp& op : ops) {
        calls += op.repeat;
        polls += op.kind == PrintOp::Busy ? op.repeat : 0;
    }

    std::printf("stuck-busy record: %zu bytes, %zu busy polls, %zu printf calls; medians of %d runs\n", bytes.size(),
                polls, calls, runs);
    const long peakA = PeakRssKiB(exe.c_str(), nullptr);
    const long peakB = PeakRssKiB(exe.c_str(), "stuck-busy");
    std::printf("peak resident memory: (a) %ld KiB, (b) %ld KiB, difference %ld KiB\n\n", peakA, peakB,
                peakB - peakA);
    std::printf("%-10s %9s %9s %9s %9s %6s %6s %12s\n", "output", "(a) ms", "(b) ms", "(c) ms", "(d) ms", "b/c",
                "b/d", "ns per poll");
    for (const std::string& target : {std::string("/dev/null"), scratch}) {
        const double a = Median(healthy, target.c_str(), runs);
        const double b = Median(stuck, target.c_str(), runs);
        const double c = Median(replay, target.c_str(), runs);
        const double d = Median(oneWrite, target.c_str(), runs);
        const double perPoll = (b - a) / static_cast<double>(polls) * 1e9;
        std::printf("%-10s %9.2f %9.2f %9.2f %9.2f %6.2f %6.2f %12.1f\n",
                    target == "/dev/null" ? "/dev/null" : "file", a * 1e3, b * 1e3, c * 1e3, d * 1e3, b / c, b / d,
                    perPoll);
    }
    unlink(scratch.c_str());
    unlink(record.c_str());
    unlink(opsFile.c_str());
    return 0;
}
