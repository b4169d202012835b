// Measures one close and open of a relay on the simulated card three ways:
//   (m) through relaymatrix's C functions, in this process: a session open,
//       relaymatrix_close("5") then relaymatrix_open("5"), with its record to
//       /dev/null, to a file, and with no record at all; then to /dev/null
//       again counting into a relay ledger (each close one operation, the
//       counts written at the session's end), beside the same without one
//   (p) the same through the Python package, timed inside python3
//   (r) relayctl run as a program: "relayctl close 5", then "relayctl open 5",
//       each from fork to exit, its record to /dev/null
// as medians over cycles, in microseconds per close and open. Then a group
// switch both ways on bench-7's station (docs/examples/bench-7.toml, its settle
// times left out: they are the relays' wait, not the library's work):
// switch_to("measure_vcc") then switch_to("scope_p20"), through C and Python.
//
//   matrixbench CYCLES SCRATCH RELAYCTL [PYTHON PACKAGE-DIR LIBRARY]
//
// Every way reads back its board before and after each switch (relayctl's
// rules): the difference between them is the program's start, the session and
// the language around the same work.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Child.h"
#include "relaymatrix.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what)
{
    (void)std::fprintf(stderr, "matrixbench: %s\n", what.c_str());
    std::exit(1);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Micros(Clock::time_point start) { return std::chrono::duration<double, std::micro>(Clock::now() - start).count(); }

// (m): one session, cycles of close and open, each timed.
double ThroughC(int cycles, const char* record)
{
    relaymatrix_session* session = nullptr;
    if (relaymatrix_session_open(nullptr, record, 0, 0, RELAYMATRIX_NO_WIRING, &session) != RELAYMATRIX_OK)
        Fail(std::string("session: ") + relaymatrix_error_text());
    std::vector<double> times;
    for (int i = 0; i < cycles; ++i) {
        const Clock::time_point start = Clock::now();
        if (relaymatrix_close(session, "5") != RELAYMATRIX_OK || relaymatrix_open(session, "5") != RELAYMATRIX_OK)
            Fail(std::string("switch: ") + relaymatrix_error_text());
        times.push_back(Micros(start));
    }
    (void)relaymatrix_session_end(session, 0);
    return Median(times);
}

// bench-7's station without its settle times, written beside the scratch.
std::string RoutesWiring(const std::string& scratch)
{
    std::ifstream in(RELAYTEST_BENCH7);
    std::ofstream out(scratch + ".toml");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("settle-ms", 0) != 0)
            out << line << '\n';
    }
    if (!in.eof() || !out)
        Fail("cannot write " + scratch + ".toml from " RELAYTEST_BENCH7);
    return scratch + ".toml";
}

// (m) for routes: one session, cycles of a switch to each group, each timed.
double GroupsThroughC(int cycles, const std::string& wiring)
{
    relaymatrix_session* session = nullptr;
    if (relaymatrix_session_open(wiring.c_str(), "/dev/null", 0, 0, 0, &session) != RELAYMATRIX_OK)
        Fail(std::string("session: ") + relaymatrix_error_text());
    std::vector<double> times;
    for (int i = 0; i < cycles; ++i) {
        const Clock::time_point start = Clock::now();
        if (relaymatrix_switch_to(session, "measure_vcc", RELAYMATRIX_BREAK_BEFORE_MAKE) != RELAYMATRIX_OK ||
            relaymatrix_switch_to(session, "scope_p20", RELAYMATRIX_BREAK_BEFORE_MAKE) != RELAYMATRIX_OK)
            Fail(std::string("switch: ") + relaymatrix_error_text());
        times.push_back(Micros(start));
    }
    (void)relaymatrix_session_end(session, 1);
    return Median(times);
}

// (r): relayctl started twice a cycle.
double ThroughRelayctl(int cycles, const std::string& relayctl, const std::string& card)
{
    std::vector<double> times;
    for (int i = 0; i < cycles; ++i) {
        const Clock::time_point start = Clock::now();
        for (const char* action : {"close", "open"}) {
            ChildSpec run({relayctl, action, "5"}, {"RELAYSIM=state=" + card});
            run.output = ChildOutput::Path;
            run.outputPath = "/dev/null";
            if (RunChild(run).exitCode != 0)
                Fail(std::string("relayctl ") + action + " 5 failed");
        }
        times.push_back(Micros(start));
    }
    return Median(times);
}

// (p): python3 times its own cycles and prints the median.
// wiring "": relay 5 closed and opened; else the two groups switched to.
double ThroughPython(int cycles, const std::string& python, const std::string& package, const std::string& library,
                     const std::string& card, const std::string& wiring = "")
{
    const std::string code =
        "import statistics, sys, time, relaymatrix\n"
        "times = []\n"
        "groups = len(sys.argv) > 2\n"
        "with relaymatrix.Session(wiring=sys.argv[2] if groups else None, no_wiring=not groups,\n"
        "                         record='/dev/null', wait=0, open_all_at_end=True) as m:\n"
        "    for _ in range(int(sys.argv[1])):\n"
        "        t = time.perf_counter()\n"
        "        if groups:\n"
        "            m.switch_to('measure_vcc'); m.switch_to('scope_p20')\n"
        "        else:\n"
        "            m.close(5); m.open(5)\n"
        "        times.append(time.perf_counter() - t)\n"
        "print(statistics.median(times) * 1e6)\n";
    std::vector<std::string> words{python, "-c", code, std::to_string(cycles)};
    if (!wiring.empty())
        words.push_back(wiring);
    const ChildSpec run(words,
                        {"PYTHONPATH=" + package, "RELAYMATRIX_LIBRARY=" + library, "RELAYSIM=state=" + card});
    const ChildResult r = RunChild(run);
    if (r.exitCode != 0)
        Fail("the Python cycles failed");
    return std::strtod(r.out.c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 7)
        Fail("usage: matrixbench CYCLES SCRATCH RELAYCTL [PYTHON PACKAGE-DIR LIBRARY]");
    const int cycles = static_cast<int>(std::max(1L, std::strtol(argv[1], nullptr, 10)));
    const std::string scratch = argv[2];
    (void)std::remove((scratch + ".card").c_str());
    // The library's card is the simulated one the environment sets up.
    (void)setenv("RELAYSIM", ("state=" + scratch + ".card").c_str(), 1);
    std::printf("one close and open of relay 5, median of %d cycles, microseconds:\n", cycles);
    std::printf("  C, record to /dev/null    %10.1f\n", ThroughC(cycles, "/dev/null"));
    std::printf("  C, record to a file       %10.1f\n", ThroughC(cycles, scratch.c_str()));
    std::printf("  C, no record              %10.1f\n", ThroughC(cycles, nullptr));
    // With and without a ledger one after the other, twice, so that a change
    // of the machine's load shows as a difference between the pairs.
    const std::string ledger = scratch + ".ledger";
    (void)std::remove(ledger.c_str());
    for (int pair = 0; pair < 2; ++pair) {
        (void)relaymatrix_use_ledger("");
        const double without = ThroughC(cycles, "/dev/null");
        (void)relaymatrix_use_ledger(ledger.c_str());
        const double with = ThroughC(cycles, "/dev/null");
        std::printf("  C, without / with ledger  %10.1f %10.1f  (%+.1f%%)\n", without, with,
                    100.0 * (with - without) / without);
    }
    (void)relaymatrix_use_ledger("");
    if (argc == 7)
        std::printf("  Python, record /dev/null  %10.1f\n",
                    ThroughPython(cycles, argv[4], argv[5], argv[6], scratch + ".card"));
    std::printf("  relayctl, twice a cycle   %10.1f\n", ThroughRelayctl(cycles, argv[3], scratch + ".card"));
    const std::string wiring = RoutesWiring(scratch);
    std::printf("a switch to measure_vcc and one to scope_p20 (bench-7, no settle time), median of %d cycles, "
                "microseconds:\n", cycles);
    std::printf("  C, record to /dev/null    %10.1f\n", GroupsThroughC(cycles, wiring));
    if (argc == 7)
        std::printf("  Python, record /dev/null  %10.1f\n",
                    ThroughPython(cycles, argv[4], argv[5], argv[6], scratch + ".card", wiring));
    return 0;
}
