// Fuzzes the wiring reader with arbitrary files: it must never crash or hang,
// a refusal is one line naming the file and a line, and what it accepts obeys
// its own rules: every crosspoint it names reads back as the same relay, and
// the rule check answers for a close of any relay, and its routes' pinned
// paths join their ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Wiring.h"

namespace {

[[noreturn]] void Fault(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "wiring reader: %s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Wiring wiring;
    std::string error;
    if (!ParseWiring(text, "f.toml", wiring, error)) {
        if (error.rfind("f.toml line ", 0) != 0 || error.find('\n') != std::string::npos)
            Fault("a refusal not of one line naming the file and a line", error);
        return 0;
    }
    RelayBits closed;
    for (int relay = 0; relay < WiringRelays; relay += 37) {
        int again = -1;
        const std::string name = CrosspointName(wiring, relay);
        const std::string typed = name.find('(') == std::string::npos ? name : name.substr(name.find('(') + 1, name.size() - name.find('(') - 2);
        if (!ReadCrosspoint(wiring, typed, again, error) || again != relay)
            Fault("a crosspoint's own name does not read back", typed);
        RelayBits request;
        request.set(static_cast<std::size_t>(relay));
        std::string refusal;
        if (CheckClose(wiring, closed, request, WiringMostClosedPerBoard, refusal))
            closed.set(static_cast<std::size_t>(relay));
        else if (refusal.empty())
            Fault("a refusal without a reason", name);
    }
    // A pinned path it accepts leads from its route's one end to the other.
    for (const WiringRoute& route : wiring.routes) {
        if (!route.via.empty() && !PathJoins(wiring, route.from, route.to, route.via, error))
            Fault("a pinned path that does not join its ends", route.name + ": " + error);
        if (IsBus(wiring, route.from) || IsBus(wiring, route.to))
            Fault("a route that ends at a bus", route.name);
    }
    std::string breach;
    if (!StateKeepsRules(wiring, closed, WiringMostClosedPerBoard, breach))
        Fault("closes the rules allowed one by one break them together", breach);
    return 0;
}
