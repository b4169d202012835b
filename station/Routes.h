// Routes between endpoints: two nets of the wiring (an instrument, a pin)
// joined by a path of closed relays, through the station's buses where no
// single crosspoint joins them. What is connected is never remembered: it is
// read from what the boards hold, so that every tool and every process sees
// the same routes. Nothing here touches the card; RouteSwitch.h does.
//
// A path has the fewest relays. Among paths of as many relays, the one
// chosen is the first in relay order: listed from the end whose name sorts
// first, its first relay has the lowest number, then its second, and so on.
// So one wiring and one state of the boards always give one path, whichever
// way round its ends are named. Only a bus is ever the middle of a path; an
// end is never passed through.
#ifndef RELAYTEST_STATION_ROUTES_H
#define RELAYTEST_STATION_ROUTES_H

#include <string>
#include <vector>

#include "Wiring.h"

struct Route {
    int from = -1;  // net ids
    int to = -1;
    std::vector<int> relays;  // the path, relay by relay from `from`
    std::string name;         // the wiring's route with these ends; "" for none
    int settleMs = 0;
};

// "dmm_vcc (DMM_HI to VCC)", or "DMM_HI to P3" when the wiring names none.
std::string RouteTitle(const Wiring& wiring, const Route& route);
// "0:0:15, 3:1:4": the path as the record gives it.
std::string RouteCrosspoints(const Route& route);

// The nets closed relays join into one: its ends (named nets that are not
// buses, by id) and every closed relay among them.
struct Joint {
    std::vector<int> ends;
    std::vector<int> nets;
    RelayBits relays;
};
std::vector<Joint> Joints(const Wiring& wiring, const RelayBits& closed);

// The routes closed holds: each joint of exactly two ends, with the path
// between them. A joint of three ends or more is no route (relays closed by
// hand); Joints shows it.
std::vector<Route> ConnectedRoutes(const Wiring& wiring, const RelayBits& closed);

// The two ends of a route as typed: a route's name alone (second empty), or
// two nets by name. False, with the reason in error.
bool ReadRouteEnds(const Wiring& wiring, const std::string& first, const std::string& second, int& from, int& to,
                   std::string& error);

enum class RouteFound {
    Found,      // route: the path to close
    Connected,  // route: its ends are joined already, by this path
    Refused,    // refusal: why no path may be closed
};

// The path that would join from and to while the boards hold closed: the
// wiring's pinned path for a route it names with these ends, else the
// shortest path through free buses. A bus is free when no closed relay
// touches it. The whole path is checked against the wiring's rules and the
// board limit (maxClosed, or the file's when lower) before it is offered.
RouteFound FindRoute(const Wiring& wiring, const RelayBits& closed, int from, int to, int maxClosed, Route& route,
                     std::string& refusal);

// A change from what the boards hold to a set of routes: the relays to open
// and to close, the routes broken and made, and the settle time to wait.
struct RouteChange {
    RelayBits open;
    RelayBits close;
    std::vector<Route> broken;
    std::vector<Route> made;
    bool makeFirst = false;  // close before opening: only when the union keeps every rule
    int settleMs = 0;
};

// Plans a move to exactly the wanted routes (pairs of ends): a route wanted
// and already connected is kept, relay for relay; every other closed relay
// is opened; the rest is found as FindRoute finds it, over what is kept
// (break before make) or over everything closed (make before break, so that
// no bus or end in use is taken and the rules hold over the union). Relays
// both opened and closed are left alone. False, with refusal, when a wanted
// route cannot be made.
bool PlanRouteChange(const Wiring& wiring, const RelayBits& closed, const std::vector<std::pair<int, int>>& wanted,
                     bool makeFirst, int maxClosed, RouteChange& change, std::string& refusal);

// The change that makes route alone: its relays closed, nothing opened.
RouteChange MakingChange(const Route& route);

// Plans breaking the route between from and to: its relays opened, except
// those that join the joint's other ends. False, with refusal, when they are
// not joined.
bool PlanDisconnect(const Wiring& wiring, const RelayBits& closed, int from, int to, RouteChange& change,
                    std::string& refusal);

// The ends of a group or a route the wiring names; false when it names none.
bool NamedRoutes(const Wiring& wiring, const std::string& name, std::vector<std::pair<int, int>>& wanted);

#endif
