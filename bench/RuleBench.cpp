// Measures the station's rule check for one close against a card full of
// closed relays: the worst it can be asked, every relay of every board closed
// but the one to close, under the worked station of docs/wiring.md (its
// exclusive nets, forbidden crosspoints and shared rows, its board limit left
// out) and under a station with a hundred exclusive pairs. Each figure is the
// median of many checks.
//
//   rulebench WIRING-FILE [CHECKS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Wiring.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds for one check, the median of checks, closing relay `relay`
// with every other relay closed.
double MedianMicros(const Wiring& wiring, int relay, int checks, bool& allowed)
{
    RelayBits request;
    request.set(static_cast<std::size_t>(relay));
    RelayBits closed = ~request;
    std::vector<double> times;
    for (int i = 0; i < checks; ++i) {
        std::string refusal;
        const Clock::time_point start = Clock::now();
        allowed = CheckClose(wiring, closed, request, 128, refusal);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Eight boards, each row and column named, and a hundred exclusive pairs.
std::string ManyRules()
{
    std::string text;
    for (int b = 0; b < 8; ++b) {
        text += "[[board]]\nindex = " + std::to_string(b) + "\nrows = [";
        for (int r = 0; r < 8; ++r)
            text += std::string(r ? ", " : "") + "\"R" + std::to_string(r) + "\"";
        text += "]\ncolumns = [";
        for (int c = 0; c < 16; ++c)
            text += std::string(c ? ", " : "") + "\"B" + std::to_string(b) + "C" + std::to_string(c) + "\"";
        text += "]\n";
    }
    for (int i = 0; i < 100; ++i)
        text += "[[exclusive]]\nnets = [\"B" + std::to_string(i % 8) + "C" + std::to_string(i % 16) + "\", \"B" +
                std::to_string((i + 3) % 8) + "C" + std::to_string((i + 5) % 16) + "\"]\n";
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        (void)std::fprintf(stderr, "usage: rulebench WIRING-FILE [CHECKS]\n");
        return 2;
    }
    const int checks = argc > 2 ? static_cast<int>(std::max(1L, std::strtol(argv[2], nullptr, 10))) : 1001;
    Wiring station;
    Wiring many;
    std::string error;
    if (!LoadWiring(argv[1], station, error) || !ParseWiring(ManyRules(), "many", many, error)) {
        (void)std::fprintf(stderr, "rulebench: %s\n", error.c_str());
        return 1;
    }
    // A card this full is over any board limit, which the check answers at
    // once: without its limit the station's other rules are all worked through.
    station.maxClosedPerBoard = 0;
    bool allowed = false;
    const double stationMicros = MedianMicros(station, WiringRelayAt(3, 7, 4), checks, allowed);
    (void)std::printf("rule check, %s, 1023 relays closed: %.1f us (%s)\n", argv[1], stationMicros,
                      allowed ? "allowed" : "refused");
    const double manyMicros = MedianMicros(many, WiringRelayAt(0, 0, 0), checks, allowed);
    (void)std::printf("rule check, 100 exclusive pairs, 1023 relays closed: %.1f us (%s)\n", manyMicros,
                      allowed ? "allowed" : "refused");
    return 0;
}
