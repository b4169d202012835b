#include "RouteSwitch.h"

#include <chrono>
#include <thread>

#include "Record.h"
#include "RelayMatrix.h"
#include "StationWiring.h"

namespace {

// The first relay that did not follow, kept while the caller hears it all.
struct Watch {
    const SwitchPlace& place;
    std::string first;
};

void WatchSay(const SwitchNote& note, void* context)
{
    auto& watch = *static_cast<Watch*>(context);
    if ((note.said == SwitchSaid::NotAsExpected || note.said == SwitchSaid::AllOnes ||
         note.said == SwitchSaid::RulesRefused) &&
        watch.first.empty())
        watch.first = note.line;
    watch.place.say(note, watch.place.context);
}

RouteEnd Phase(const SwitchPlace& place, const RelaySet& relays, bool on)
{
    if (relays.none())
        return RouteEnd::Done;
    BoardSet refused = 0;
    int faults = 0;
    switch (SwitchRelaySet(place, relays, on, refused, faults)) {
    case SwitchEnd::Stopped: return RouteEnd::Stopped;
    case SwitchEnd::Refused:
    case SwitchEnd::AllOnes: return RouteEnd::Refused;
    case SwitchEnd::Switched: break;
    }
    return faults > 0 || refused != 0 ? RouteEnd::NotFollowed : RouteEnd::Done;
}

void RecordRoutes(const Wiring& wiring, const std::vector<Route>& routes, bool made, int settleMs)
{
    for (const Route& route : routes) {
        if (made)
            RecordLine("Route made: %s through %s; settle %d ms\n", RouteTitle(wiring, route).c_str(),
                       RouteCrosspoints(route).c_str(), settleMs);
        else
            RecordLine("Route broken: %s through %s\n", RouteTitle(wiring, route).c_str(),
                       RouteCrosspoints(route).c_str());
    }
}

}  // namespace

bool ReadRouteBoards(const Wiring& wiring, RelayBits& closed, BoardSet& allOnes)
{
    const BoardSet boards = ListedBoards(wiring);
    if (!ReadBoards(boards, allOnes))
        return false;
    closed = HeldRelays(static_cast<BoardSet>(boards & ~allOnes));
    return true;
}

RouteEnd ApplyRouteChange(const SwitchPlace& place, const RouteChange& change, std::string& failure)
{
    Watch watch{place, ""};
    const SwitchPlace watched{place.wiring, place.maxClosed, WatchSay, &watch, place.pushed};
    RouteEnd end = RouteEnd::Done;
    bool closing = false;  // whether this call has pushed a close
    for (int step = 0; step < 2 && end == RouteEnd::Done; ++step) {
        const bool on = (step == 0) == change.makeFirst;
        end = Phase(watched, on ? change.close : change.open, on);
        closing = closing || (on && end != RouteEnd::Refused);
        if (end == RouteEnd::Done)
            RecordRoutes(place.wiring, on ? change.made : change.broken, on, change.settleMs);
    }
    if (end == RouteEnd::NotFollowed || (end == RouteEnd::Refused && closing)) {
        failure = watch.first;
        std::string what;
        for (const Route& route : change.made)
            what += (what.empty() ? "" : ", ") + RouteTitle(place.wiring, route);
        if (closing && change.close.any())
            (void)Phase(place, change.close, false);
        RecordLine("Route failed: %s: %s; %s\n", what.empty() ? "breaking routes" : what.c_str(), failure.c_str(),
                   closing && change.close.any() ? "the relays this call closed are open again" : "nothing was closed");
        return RouteEnd::NotFollowed;
    }
    if (end == RouteEnd::Refused)
        failure = watch.first;
    if (end == RouteEnd::Done && change.settleMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(change.settleMs));
    return end;
}
