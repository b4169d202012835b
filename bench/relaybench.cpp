// Measures what relaytest costs on the simulated card against the floor of
// printing the same bytes:
//   (a) the healthy full run            relaytest
//   (b) the stuck-busy full run         RELAYSIM=stuck-busy relaytest
//   (c) the bytes of (b) through the same printf calls, with nothing else
//   (d) the bytes of (b) in one write()
// each to /dev/null and to a file, as medians over several runs, and the peak
// resident memory of (a) and (b). Given relaysweep, also
//   (e) the full sweep of eight boards  relaysweep --yes
// to /dev/null and to a file, with its traffic counted from its record, and
// given relaylog too
//   (f) relaylog's verdict on that record, without and with --html
//
//   relaybench RELAYTEST [RUNS] [SCRATCH-FILE] [RELAYSWEEP [RELAYLOG]]
//
// (a), (b) and (c) are timed from fork to exit, start-up included; (c) is this
// program re-executed, loading the few hundred printf calls of the record (runs
// of the same call kept as counts). (d) is timed here, from the moment its
// bytes are in memory: it is the floor of the write alone.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Child.h"
#include "RecordReader.h"
#include "Replay.h"
#include "Transcript.h"

// The benchmark reads records through relaylog's reader alone.
using namespace relaylog;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what)
{
    (void)std::fprintf(stderr, "relaybench: %s\n", what.c_str());
    std::exit(1);
}

// A run with standard output to target and standard input from /dev/null, in
// seconds.
double Run(ChildSpec run, const std::string& target)
{
    run.output = ChildOutput::Path;
    run.outputPath = target;
    const Clock::time_point start = Clock::now();
    const ChildResult r = RunChild(run);
    const Clock::time_point end = Clock::now();
    if (r.exitCode != 0)
        Fail("a child run failed");
    return std::chrono::duration<double>(end - start).count();
}

// One write of the bytes to target, in seconds.
double WriteOnce(const std::string& bytes, const std::string& target)
{
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const Clock::time_point start = Clock::now();
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            Fail("cannot write " + target);
        done += static_cast<std::size_t>(n);
    }
    const Clock::time_point end = Clock::now();
    if (fd < 0 || close(fd) != 0)
        Fail("cannot write " + target);
    return std::chrono::duration<double>(end - start).count();
}

template <class Measure>
double Median(int runs, Measure measure)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i)
        times.push_back(measure());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Peak resident memory of the real program, read from its own VmHWM while it
// waits for the operator after its last line. After exec the figure counts
// only relaytest's pages, none of this process's.
long PeakRssKiB(const std::string& exe, const std::string& relaysim)
{
    Child child({{exe}, {"RELAYSIM=" + relaysim}, ChildInput::OpenPipe});
    const std::string prompt = "\nPress enter to exit\n";
    const auto until = Clock::now() + HangLimit;
    while (Clock::now() < until && !child.Done() &&
           (child.Out().size() < prompt.size() || child.Out().compare(child.Out().size() - prompt.size(), prompt.size(), prompt) != 0))
        child.Pump(100);
    const std::string status = ReadFile("/proc/" + std::to_string(child.Pid()) + "/status");
    child.CloseInput();
    child.Wait();
    const std::size_t at = status.find("VmHWM:");
    return at == std::string::npos ? -1 : std::strtol(status.c_str() + at + 6, nullptr, 10);
}

int ReplayMain(const char* opsFile)
{
    std::vector<PrintOp> ops;
    if (!LoadOps(ReadFile(opsFile), ops))
        return 1;
    Replay(ops);
    return 0;
}

// The floor's printf calls, saved for the re-executed side; the number of
// busy polls they print.
std::size_t SaveReplay(const std::string& record, const std::string& opsFile, std::size_t& calls)
{
    std::vector<PrintOp> ops;
    std::string why;
    if (!OpsFromRecord(record, ops, why))
        Fail("cannot follow the stuck-busy record: " + why);
    FILE* saved = std::fopen(opsFile.c_str(), "wb");
    const std::string text = SaveOps(ops);
    if (saved == nullptr || std::fwrite(text.data(), 1, text.size(), saved) != text.size() || std::fclose(saved) != 0)
        Fail("cannot save the printf calls");
    std::size_t polls = 0;
    calls = 0;
    for (const PrintOp& op : ops) {
        calls += op.repeat;
        polls += op.kind == PrintOp::Busy ? op.repeat : 0;
    }
    return polls;
}

// The sweep's record and its traffic, then its times; returns the record.
std::string MeasureSweep(const std::string& sweep, int runs, const std::string& scratch)
{
    const ChildSpec full{{sweep, "--yes"}, {"RELAYSIM="}};
    std::string record = RunChild(full).out;
    std::istringstream in(record);
    RecordReader reader(in, ReaderMode::Strict);
    std::size_t accesses = 0;
    RecordLine line;
    while (reader.Next(line) == ReadResult::Line)
        accesses += line.kind == LineKind::Access ? 1 : 0;
    if (reader.Fault() != ReadFault::None || record.rfind("Relay sweep of boards 0-7\n", 0) != 0)
        Fail("cannot read the sweep's record: " + reader.Error());
    std::printf("\n(e) full sweep of boards 0-7: %zu bytes, %llu lines, %zu SPI accesses (%.2f per relay)\n",
                record.size(), static_cast<unsigned long long>(reader.LinesRead()), accesses,
                static_cast<double>(accesses) / 1024.0);
    for (const std::string& target : {std::string("/dev/null"), scratch}) {
        const double e = Median(runs, [&] { return Run(full, target); });
        std::printf("%-10s %9.2f ms\n", target == "/dev/null" ? "/dev/null" : "file", e * 1e3);
    }
    return record;
}

// relaylog on the saved record, its text report to /dev/null, then the same
// with the HTML page written beside it.
void MeasureVerdict(const std::string& relaylog, const std::string& record, int runs, const std::string& scratch)
{
    const std::string saved = scratch + ".log";
    const std::string page = scratch + ".html";
    WriteOnce(record, saved);
    const double text = Median(runs, [&] { return Run({{relaylog, saved}}, "/dev/null"); });
    const double html = Median(runs, [&] { return Run({{relaylog, "--html", page, saved}}, "/dev/null"); });
    std::printf("\n(f) relaylog on that record: %.2f ms, with --html %.2f ms, a page of %zu bytes\n", text * 1e3,
                html * 1e3, ReadFile(page).size());
    unlink(saved.c_str());
    unlink(page.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--replay") == 0)
        return ReplayMain(argv[2]);
    if (argc < 2 || argc > 6) {
        (void)std::fprintf(stderr, "usage: relaybench RELAYTEST [RUNS] [SCRATCH-FILE] [RELAYSWEEP [RELAYLOG]]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const int runs = argc > 2 ? static_cast<int>(std::clamp(std::strtol(argv[2], nullptr, 10), 1L, 100000L)) : 7;
    const std::string scratch = argc > 3 ? argv[3] : "relaybench.out";
    const std::string opsFile = scratch + ".ops";
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        Fail("cannot find its own executable");

    const ChildSpec healthy{{exe}, {"RELAYSIM="}};
    const ChildSpec stuck{{exe}, {"RELAYSIM=stuck-busy"}};
    const ChildSpec replay{{self, "--replay", opsFile}};

    // The stuck-busy record, and a check that the floor prints exactly it.
    const std::string bytes = RunChild(stuck).out;
    std::size_t calls = 0;
    const std::size_t polls = SaveReplay(bytes, opsFile, calls);
    if (RunChild(replay).out != bytes)
        Fail("the replay does not reproduce the record");

    std::printf("stuck-busy record: %zu bytes, %zu busy polls, %zu printf calls; medians of %d runs\n", bytes.size(),
                polls, calls, runs);
    const long peakA = PeakRssKiB(exe, "");
    const long peakB = PeakRssKiB(exe, "stuck-busy");
    std::printf("peak resident memory: (a) %ld KiB, (b) %ld KiB, difference %ld KiB\n\n", peakA, peakB,
                peakB - peakA);
    std::printf("%-10s %9s %9s %9s %9s %6s %6s %12s\n", "output", "(a) ms", "(b) ms", "(c) ms", "(d) ms", "b/c",
                "b/d", "ns per poll");
    for (const std::string& target : {std::string("/dev/null"), scratch}) {
        const double a = Median(runs, [&] { return Run(healthy, target); });
        const double b = Median(runs, [&] { return Run(stuck, target); });
        const double c = Median(runs, [&] { return Run(replay, target); });
        const double d = Median(runs, [&] { return WriteOnce(bytes, target); });
        std::printf("%-10s %9.2f %9.2f %9.2f %9.2f %6.2f %6.2f %12.1f\n", target == "/dev/null" ? "/dev/null" : "file",
                    a * 1e3, b * 1e3, c * 1e3, d * 1e3, b / c, b / d, (b - a) / static_cast<double>(polls) * 1e9);
    }
    if (argc > 4) {
        const std::string record = MeasureSweep(argv[4], runs, scratch);
        if (argc > 5)
            MeasureVerdict(argv[5], record, runs, scratch);
    }
    unlink(scratch.c_str());
    unlink(opsFile.c_str());
    return 0;
}
