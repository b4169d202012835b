// relayctl's route commands. What is connected is read from the boards each
// time, never remembered: a route made by one run, or by a script through
// the library, is what the next run sees.
#include <cstdio>

#include "Control.h"
#include "Record.h"
#include "RouteSwitch.h"
#include "StationWiring.h"

namespace {

bool MakeFirst = false;

// "DMM_HI@ABUS1 (0:0:15), ABUS1@P3 (3:1:4)"
std::string PathText(const Wiring& wiring, const Route& route)
{
    std::string text;
    for (const int relay : route.relays)
        text += (text.empty() ? "" : ", ") + PathCrosspointName(wiring, relay);
    return text;
}

void SayRoutes(const Wiring& wiring, const std::vector<Route>& routes, const char* what)
{
    for (const Route& route : routes)
        (void)std::fprintf(stderr, "relayctl: %s %s through %s\n", what, RouteTitle(wiring, route).c_str(),
                           PathText(wiring, route).c_str());
}

CtlOutcome Refuse(const std::string& refusal)
{
    RecordLine("Command refused: %s\n", refusal.c_str());
    (void)std::fprintf(stderr, "relayctl: %s: nothing switched\n", refusal.c_str());
    return CtlOutcome::Refused;
}

// What is connected now, from what the boards read back; closed relays that
// join more than two ends, or one end to a bus, are no route, and are shown
// as they are.
CtlOutcome ShowRoutes(const Wiring& wiring, const RelayBits& closed)
{
    const std::vector<Route> routes = ConnectedRoutes(wiring, closed);
    SayRoutes(wiring, routes, "connected:");
    int others = 0;
    for (const Joint& joint : Joints(wiring, closed)) {
        if (joint.ends.size() == 2)
            continue;
        std::string ends;
        for (const int net : joint.ends)
            ends += (ends.empty() ? "" : ", ") + NetName(wiring, net);
        Route relays;
        for (int relay = 0; relay < WiringRelays; ++relay) {
            if (joint.relays.test(static_cast<std::size_t>(relay)))
                relays.relays.push_back(relay);
        }
        (void)std::fprintf(stderr, "relayctl: joined, no route: %s%s%s\n", ends.c_str(), ends.empty() ? "" : " by ",
                           PathText(wiring, relays).c_str());
        ++others;
    }
    if (routes.empty() && others == 0)
        (void)std::fprintf(stderr, "relayctl: no route connected\n");
    return CtlOutcome::AsAsked;
}

CtlOutcome Apply(const SwitchPlace& place, const RouteChange& change)
{
    std::string failure;
    switch (ApplyRouteChange(place, change, failure)) {
    case RouteEnd::Done: break;
    case RouteEnd::Refused: return CtlOutcome::Refused;
    case RouteEnd::Stopped: return CtlOutcome::Stopped;
    case RouteEnd::NotFollowed:
        (void)std::fprintf(stderr, "relayctl: the change failed: %s; %s\n", failure.c_str(),
                           change.close.any() ? "the relays it closed are open again" : "nothing was closed");
        return CtlOutcome::NotAsAsked;
    }
    SayRoutes(place.wiring, change.broken, "broken:");
    SayRoutes(place.wiring, change.made, "made:");
    if (change.made.empty() && change.broken.empty())
        (void)std::fprintf(stderr, "relayctl: every route already as asked\n");
    return CtlOutcome::AsAsked;
}

CtlOutcome Connect(const SwitchPlace& place, const CtlCommand& command, const RelayBits& closed, bool dryRun)
{
    const auto [from, to] = command.ends.front();
    Route route;
    std::string refusal;
    const RouteFound found = FindRoute(place.wiring, closed, from, to, place.maxClosed, route, refusal);
    if (found == RouteFound::Refused)
        return Refuse(RouteTitle(place.wiring, route) + ": " + refusal);
    if (found == RouteFound::Connected || dryRun) {
        (void)std::fprintf(stderr, "relayctl: %s %s %s\n", RouteTitle(place.wiring, route).c_str(),
                           found == RouteFound::Connected ? "is connected through" : "would close",
                           PathText(place.wiring, route).c_str());
        return CtlOutcome::AsAsked;
    }
    return Apply(place, MakingChange(route));
}

}  // namespace

void SetMakeBeforeBreak(bool makeFirst) { MakeFirst = makeFirst; }
bool MakeBeforeBreak() { return MakeFirst; }

CtlOutcome RunRouteCommand(const CtlCommand& command, int maxClosed, bool makeFirst)
{
    const SwitchPlace place = CtlPlace(maxClosed);
    RelayBits closed;
    BoardSet allOnes = 0;
    if (!ReadRouteBoards(place.wiring, closed, allOnes))
        return CtlOutcome::Stopped;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(allOnes, board)) {
            RecordLine("Board %d refused: it reads back all ones (not fitted or not answering)\n", board);
            (void)std::fprintf(stderr, "relayctl: board %d reads back all ones (not fitted or not answering): "
                                       "nothing switched\n", board);
        }
    }
    if (allOnes != 0)
        return CtlOutcome::NotAsAsked;
    std::string refusal;
    RouteChange change;
    switch (command.action) {
    case CtlAction::Routes: return ShowRoutes(place.wiring, closed);
    case CtlAction::Route:
    case CtlAction::Connect: return Connect(place, command, closed, command.action == CtlAction::Route);
    case CtlAction::Disconnect:
        if (!PlanDisconnect(place.wiring, closed, command.ends.front().first, command.ends.front().second, change,
                            refusal)) {
            (void)std::fprintf(stderr, "relayctl: %s: nothing switched\n", refusal.c_str());
            return CtlOutcome::AsAsked;
        }
        return Apply(place, change);
    default:
        if (!PlanRouteChange(place.wiring, closed, command.ends, makeFirst, maxClosed, change, refusal))
            return Refuse(refusal);
        return Apply(place, change);
    }
}
