#include "Routes.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

#include "RelayList.h"

namespace {

using Adjacency = std::vector<std::vector<int>>;

// Every crosspoint, by the nets it joins, in relay order: what a search
// walks. A relay whose row and column are one net joins nothing.
Adjacency MakeAdjacency(const Wiring& wiring)
{
    Adjacency nets(wiring.netNames.size());
    for (int relay = 0; relay < WiringRelays; ++relay) {
        const int row = RowNetOf(wiring, relay);
        const int column = ColumnNetOf(wiring, relay);
        if (row == column)
            continue;
        nets[static_cast<std::size_t>(row)].push_back(relay);
        nets[static_cast<std::size_t>(column)].push_back(relay);
    }
    return nets;
}

int OtherNet(const Wiring& wiring, int relay, int net)
{
    const int row = RowNetOf(wiring, relay);
    return row == net ? ColumnNetOf(wiring, relay) : row;
}

// The first path from from to to in relay order among the shortest, over
// relays that may be used and through nets that may be a middle: a search
// breadth first that visits each net's relays in order finds it.
template <typename UseRelay, typename Middle>
bool Search(const Wiring& wiring, const Adjacency& adjacency, int from, int to, UseRelay use, Middle middle,
            std::vector<int>& path)
{
    std::vector<int> via(adjacency.size(), -1);  // the relay a net was reached by
    std::vector<int> queue{from};
    via[static_cast<std::size_t>(from)] = WiringRelays;
    for (std::size_t at = 0; at < queue.size(); ++at) {
        const int net = queue[at];
        for (const int relay : adjacency[static_cast<std::size_t>(net)]) {
            const int next = OtherNet(wiring, relay, net);
            if (!use(relay) || via[static_cast<std::size_t>(next)] != -1 || (next != to && !middle(next)))
                continue;
            via[static_cast<std::size_t>(next)] = relay;
            if (next == to) {
                path.clear();
                for (int n = to; n != from; n = OtherNet(wiring, path.back(), n))
                    path.push_back(via[static_cast<std::size_t>(n)]);
                std::reverse(path.begin(), path.end());
                return true;
            }
            queue.push_back(next);
        }
    }
    return false;
}

int JointOf(const std::vector<Joint>& joints, int net)
{
    for (std::size_t j = 0; j < joints.size(); ++j) {
        if (std::find(joints[j].nets.begin(), joints[j].nets.end(), net) != joints[j].nets.end())
            return static_cast<int>(j);
    }
    return -1;
}

const WiringRoute* RouteWithEnds(const Wiring& wiring, int a, int b)
{
    for (const WiringRoute& route : wiring.routes) {
        if ((route.from == a && route.to == b) || (route.from == b && route.to == a))
            return &route;
    }
    return nullptr;
}

// A route between two ends over path, named and ordered as the wiring names
// it, else from the end whose name sorts first.
Route MakeRoute(const Wiring& wiring, int a, int b, std::vector<int> path)
{
    Route route{a, b, std::move(path), "", wiring.settleMs};
    const WiringRoute* named = RouteWithEnds(wiring, a, b);
    const bool swap = named != nullptr ? named->from != a : NetName(wiring, b) < NetName(wiring, a);
    if (swap) {
        std::swap(route.from, route.to);
        std::reverse(route.relays.begin(), route.relays.end());
    }
    if (named != nullptr) {
        route.name = named->name;
        route.settleMs = RouteSettleMs(wiring, *named);
    }
    return route;
}

RelayBits BitsOf(const std::vector<int>& relays)
{
    RelayBits bits;
    for (const int relay : relays)
        bits.set(static_cast<std::size_t>(relay));
    return bits;
}

// The path between two nets of a joint, over its closed relays alone.
std::vector<int> PathWithin(const Wiring& wiring, const Adjacency& adjacency, const Joint& joint, int a, int b)
{
    std::vector<int> path;
    (void)Search(wiring, adjacency, a, b, [&](int relay) { return joint.relays.test(static_cast<std::size_t>(relay)); },
                 [](int) { return true; }, path);
    return path;
}

// What holds a net: "the route dmm_vcc (DMM_HI to VCC)", or the closed relays.
std::string Holder(const Wiring& wiring, const Adjacency& adjacency, const Joint& joint)
{
    if (joint.ends.size() == 2) {
        const Route held = MakeRoute(wiring, joint.ends[0], joint.ends[1],
                                     PathWithin(wiring, adjacency, joint, joint.ends[0], joint.ends[1]));
        return "the route " + RouteTitle(wiring, held);
    }
    std::vector<int> relays;
    for (int relay = 0; relay < WiringRelays; ++relay) {
        if (joint.relays.test(static_cast<std::size_t>(relay)))
            relays.push_back(relay);
    }
    return "closed relays " + RouteCrosspoints(Route{0, 0, relays, "", 0});
}

// The path for the ends, over closed: pinned, else searched through free
// buses; when none is free, the bus in use on the way is named.
bool PathFor(const Wiring& wiring, const Adjacency& adjacency, const std::vector<Joint>& joints, Route& route,
             std::string& refusal)
{
    const WiringRoute* named = RouteWithEnds(wiring, route.from, route.to);
    auto allowed = [&](int relay) {
        return std::none_of(wiring.forbidden.begin(), wiring.forbidden.end(),
                            [relay](const WiringForbidden& f) { return f.relay == relay; });
    };
    auto free = [&](int net) { return IsBus(wiring, net) && JointOf(joints, net) < 0; };
    if (named == nullptr || named->via.empty()) {
        if (Search(wiring, adjacency, route.from, route.to, allowed, free, route.relays))
            return true;
        if (!Search(wiring, adjacency, route.from, route.to, allowed, [&](int net) { return IsBus(wiring, net); },
                    route.relays)) {
            refusal = "no path joins " + NetName(wiring, route.from) + " and " + NetName(wiring, route.to) +
                      " through the station's buses";
            return false;
        }
    } else {
        route.relays = named->via;
    }
    int at = route.from;
    for (const int relay : route.relays) {
        at = OtherNet(wiring, relay, at);
        if (at != route.to && !free(at)) {
            refusal = NetName(wiring, at) + " is held by " +
                      Holder(wiring, adjacency, joints[static_cast<std::size_t>(JointOf(joints, at))]);
            return false;
        }
    }
    return true;
}

}  // namespace

std::string RouteTitle(const Wiring& wiring, const Route& route)
{
    const std::string ends = NetName(wiring, route.from) + " to " + NetName(wiring, route.to);
    return route.name.empty() ? ends : route.name + " (" + ends + ")";
}

std::string RouteCrosspoints(const Route& route)
{
    std::string text;
    for (const int relay : route.relays) {
        text += text.empty() ? "" : ", ";
        text += std::to_string(WiringBoardOf(relay)) + ":" + std::to_string(WiringRowOf(relay)) + ":" +
                std::to_string(WiringColumnOf(relay));
    }
    return text;
}

std::vector<Joint> Joints(const Wiring& wiring, const RelayBits& closed)
{
    std::vector<int> root(wiring.netNames.size());
    std::iota(root.begin(), root.end(), 0);
    auto find = [&](int net) {
        while (root[static_cast<std::size_t>(net)] != net)
            net = root[static_cast<std::size_t>(net)] = root[static_cast<std::size_t>(root[static_cast<std::size_t>(net)])];
        return net;
    };
    for (int relay = 0; relay < WiringRelays; ++relay) {
        if (closed.test(static_cast<std::size_t>(relay)))
            root[static_cast<std::size_t>(find(RowNetOf(wiring, relay)))] = find(ColumnNetOf(wiring, relay));
    }
    std::vector<Joint> joints;
    std::vector<int> index(root.size(), -1);
    for (int relay = 0; relay < WiringRelays; ++relay) {
        if (!closed.test(static_cast<std::size_t>(relay)))
            continue;
        const auto top = static_cast<std::size_t>(find(RowNetOf(wiring, relay)));
        if (index[top] < 0) {
            index[top] = static_cast<int>(joints.size());
            joints.emplace_back();
        }
        joints[static_cast<std::size_t>(index[top])].relays.set(static_cast<std::size_t>(relay));
    }
    for (int net = 0; net < static_cast<int>(root.size()); ++net) {
        const int j = index[static_cast<std::size_t>(find(net))];
        if (j < 0)
            continue;
        Joint& joint = joints[static_cast<std::size_t>(j)];
        joint.nets.push_back(net);
        if (!wiring.netNames[static_cast<std::size_t>(net)].empty() && !IsBus(wiring, net))
            joint.ends.push_back(net);
    }
    return joints;
}

std::vector<Route> ConnectedRoutes(const Wiring& wiring, const RelayBits& closed)
{
    const Adjacency adjacency = MakeAdjacency(wiring);
    std::vector<Route> routes;
    for (const Joint& joint : Joints(wiring, closed)) {
        if (joint.ends.size() == 2)
            routes.push_back(MakeRoute(wiring, joint.ends[0], joint.ends[1],
                                       PathWithin(wiring, adjacency, joint, joint.ends[0], joint.ends[1])));
    }
    return routes;
}

bool ReadRouteEnds(const Wiring& wiring, const std::string& first, const std::string& second, int& from, int& to,
                   std::string& error)
{
    if (second.empty()) {
        for (const WiringRoute& route : wiring.routes) {
            if (route.name == first) {
                from = route.from;
                to = route.to;
                return true;
            }
        }
        error = Quoted(first) + " names no route of the wiring: give a route's name, or its two ends";
        return false;
    }
    from = NetNamed(wiring, first);
    to = NetNamed(wiring, second);
    for (const auto& [net, name] : {std::pair{from, &first}, std::pair{to, &second}}) {
        if (net < 0) {
            error = Quoted(*name) + " names no row or column of the wiring";
            return false;
        }
    }
    return true;
}

RouteFound FindRoute(const Wiring& wiring, const RelayBits& closed, int from, int to, int maxClosed, Route& route,
                     std::string& refusal)
{
    refusal.clear();
    const Adjacency adjacency = MakeAdjacency(wiring);
    const std::vector<Joint> joints = Joints(wiring, closed);
    route = MakeRoute(wiring, from, to, {});
    if (from == to) {
        refusal = NetName(wiring, from) + " is one net: a route joins two";
        return RouteFound::Refused;
    }
    for (const int end : {route.from, route.to}) {
        const int j = JointOf(joints, end);
        if (IsBus(wiring, end))
            refusal = NetName(wiring, end) + " is a bus, not an end";
        else if (j >= 0 && joints[static_cast<std::size_t>(j)].ends == std::vector<int>{std::min(from, to), std::max(from, to)}) {
            route = MakeRoute(wiring, from, to, PathWithin(wiring, adjacency, joints[static_cast<std::size_t>(j)], from, to));
            return RouteFound::Connected;
        } else if (j >= 0)
            refusal = NetName(wiring, end) + " is in use by " + Holder(wiring, adjacency, joints[static_cast<std::size_t>(j)]) +
                      ": disconnect it first";
        if (!refusal.empty())
            return RouteFound::Refused;
    }
    // Two ends never to be joined: said as the rule, not as the path's relays.
    for (const WiringExclusive& rule : wiring.exclusives) {
        auto in = [&](int net) { return std::find(rule.nets.begin(), rule.nets.end(), net) != rule.nets.end(); };
        if (in(from) && in(to)) {
            refusal = NetName(wiring, route.from) + " and " + NetName(wiring, route.to) + " are never to be joined (exclusive, " +
                      wiring.shown + " line " + std::to_string(rule.line) + ")";
            return RouteFound::Refused;
        }
    }
    if (!PathFor(wiring, adjacency, joints, route, refusal))
        return RouteFound::Refused;
    return CheckClose(wiring, closed, BitsOf(route.relays), maxClosed, refusal) ? RouteFound::Found
                                                                                 : RouteFound::Refused;
}

bool PlanRouteChange(const Wiring& wiring, const RelayBits& closed, const std::vector<std::pair<int, int>>& wanted,
                     bool makeFirst, int maxClosed, RouteChange& change, std::string& refusal)
{
    change = RouteChange{};
    change.makeFirst = makeFirst;
    RelayBits kept;
    for (const Route& route : ConnectedRoutes(wiring, closed)) {
        const bool wantedToo = std::any_of(wanted.begin(), wanted.end(), [&](const std::pair<int, int>& w) {
            return (w.first == route.from && w.second == route.to) || (w.first == route.to && w.second == route.from);
        });
        if (wantedToo)
            kept |= BitsOf(route.relays);
        else
            change.broken.push_back(route);
    }
    change.open = closed & ~kept;
    const RelayBits base = makeFirst ? closed : kept;
    RelayBits chosen = base;
    for (const auto& [from, to] : wanted) {
        Route route;
        switch (FindRoute(wiring, chosen, from, to, maxClosed, route, refusal)) {
        case RouteFound::Connected: continue;
        case RouteFound::Refused: refusal.insert(0, RouteTitle(wiring, route) + ": "); return false;
        case RouteFound::Found: break;
        }
        chosen |= BitsOf(route.relays);
        change.made.push_back(route);
    }
    change.close = chosen & ~base;
    const RelayBits common = change.open & change.close;
    change.open &= ~common;
    change.close &= ~common;
    for (const auto* routes : {&change.made, &change.broken}) {
        for (const Route& route : *routes)
            change.settleMs = std::max(change.settleMs, route.settleMs);
    }
    return true;
}

RouteChange MakingChange(const Route& route)
{
    RouteChange change;
    change.made.push_back(route);
    change.close = BitsOf(route.relays);
    change.settleMs = route.settleMs;
    return change;
}

bool PlanDisconnect(const Wiring& wiring, const RelayBits& closed, int from, int to, RouteChange& change,
                    std::string& refusal)
{
    change = RouteChange{};
    const Adjacency adjacency = MakeAdjacency(wiring);
    const std::vector<Joint> joints = Joints(wiring, closed);
    const int j = JointOf(joints, from);
    if (from == to || j < 0 || j != JointOf(joints, to)) {
        refusal = NetName(wiring, from) + " and " + NetName(wiring, to) + " are not connected";
        return false;
    }
    const Joint& joint = joints[static_cast<std::size_t>(j)];
    const Route route = MakeRoute(wiring, from, to, PathWithin(wiring, adjacency, joint, from, to));
    // Relays closed by hand may join more ends than two: what joins the
    // other ends to one another stays closed, even where it passes through
    // one of these two.
    RelayBits needed;
    auto other = [&](int end) { return end != from && end != to; };
    for (const int a : joint.ends) {
        for (const int b : joint.ends) {
            if (a < b && other(a) && other(b))
                needed |= BitsOf(PathWithin(wiring, adjacency, joint, a, b));
        }
    }
    change.open = BitsOf(route.relays) & ~needed;
    change.broken.push_back(route);
    change.settleMs = route.settleMs;
    return true;
}

bool NamedRoutes(const Wiring& wiring, const std::string& name, std::vector<std::pair<int, int>>& wanted)
{
    for (const WiringGroup& group : wiring.groups) {
        if (group.name != name)
            continue;
        for (const int r : group.routes)
            wanted.emplace_back(wiring.routes[static_cast<std::size_t>(r)].from, wiring.routes[static_cast<std::size_t>(r)].to);
        return true;
    }
    for (const WiringRoute& route : wiring.routes) {
        if (route.name == name) {
            wanted.emplace_back(route.from, route.to);
            return true;
        }
    }
    return false;
}
