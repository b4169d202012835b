// Measures finding and checking a route on eight fully wired boards: board
// 0's rows are eight instruments and its columns eight pins and eight buses;
// every other board's rows are those buses and its columns sixteen pins. The
// worst asked: the last instrument to a pin of the last board while seven
// routes hold seven buses, so the search walks every board before it finds
// the free one; and a change of four routes to four others. Each figure is
// the median of many runs.
//
//   routebench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Routes.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Names(const std::string& prefix, int count, int first = 0)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(i ? ", " : "") + "\"" + prefix + std::to_string(first + i) + "\"";
    return text;
}

std::string EightBoards()
{
    std::string text = "[[board]]\nindex = 0\nrows = [" + Names("INS", 8) + "]\ncolumns = [" + Names("P0_", 8) + ", " +
                       Names("BUS", 8) + "]\n";
    for (int b = 1; b < 8; ++b)
        text += "[[board]]\nindex = " + std::to_string(b) + "\nrows = [" + Names("BUS", 8) + "]\ncolumns = [" +
                Names("P" + std::to_string(b) + "_", 16) + "]\n";
    return text + "[[bus]]\nnets = [" + Names("BUS", 8) + "]\n[[exclusive]]\nnets = [\"INS0\", \"INS1\"]\n";
}

template <typename Work>
double MedianMicros(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? static_cast<int>(std::max(1L, std::strtol(argv[1], nullptr, 10))) : 1001;
    Wiring wiring;
    std::string error;
    if (!ParseWiring(EightBoards(), "eight-boards", wiring, error)) {
        (void)std::fprintf(stderr, "routebench: %s\n", error.c_str());
        return 1;
    }
    auto net = [&](const std::string& name) { return NetNamed(wiring, name); };
    // Seven instruments each on a pin of its own board through its own bus.
    RelayBits held;
    for (int i = 0; i < 7; ++i) {
        Route route;
        std::string refusal;
        if (FindRoute(wiring, held, net("INS" + std::to_string(i)), net("P" + std::to_string(i + 1) + "_0"), 32, route,
                      refusal) != RouteFound::Found) {
            (void)std::fprintf(stderr, "routebench: %s\n", refusal.c_str());
            return 1;
        }
        for (const int relay : route.relays)
            held.set(static_cast<std::size_t>(relay));
    }
    Route route;
    std::string refusal;
    RouteFound found = RouteFound::Refused;
    const double findMicros = MedianMicros(runs, [&] {
        found = FindRoute(wiring, held, net("INS7"), net("P7_15"), 32, route, refusal);
    });
    (void)std::printf("find and check a route, 7 of 8 buses held: %.1f us (%s %s)\n", findMicros,
                      found == RouteFound::Found ? "through" : "refused:",
                      found == RouteFound::Found ? RouteCrosspoints(route).c_str() : refusal.c_str());
    // Four of those routes to four new ones, break before make.
    std::vector<std::pair<int, int>> wanted;
    wanted.reserve(4);
    for (int i = 0; i < 4; ++i)
        wanted.emplace_back(net("INS" + std::to_string(i)), net("P" + std::to_string(7 - i) + "_9"));
    RouteChange change;
    bool planned = false;
    const double changeMicros = MedianMicros(runs, [&] {
        planned = PlanRouteChange(wiring, held, wanted, false, 32, change, refusal);
    });
    (void)std::printf("plan a change of 7 routes to 4 others: %.1f us (%s)\n", changeMicros,
                      planned ? "planned" : refusal.c_str());
    return found == RouteFound::Found && planned ? 0 : 1;
}
