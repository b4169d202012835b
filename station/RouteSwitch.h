// Routes switched: a change planned by Routes.h carried out through the one
// switch (StationSwitch.h), so that every push is checked against the
// wiring's rules and read back. Break before make: every opening is pushed
// and read back before the first closing. A change is all or nothing: when a
// relay does not follow, every relay this call closed is opened again.
#ifndef RELAYTEST_STATION_ROUTESWITCH_H
#define RELAYTEST_STATION_ROUTESWITCH_H

#include <string>

#include "Routes.h"
#include "StationSwitch.h"

// What the boards routes depend on (every board the wiring lists) hold, read
// back now. False once a stop is seen; allOnes gets the boards that read back
// all ones (never trusted: no route is read from them).
bool ReadRouteBoards(const Wiring& wiring, RelayBits& closed, BoardSet& allOnes);

enum class RouteEnd {
    Done,         // every relay switched as planned, and the settle time waited
    Refused,      // the rules refused the close when the boards were read back: nothing closed
    NotFollowed,  // a relay did not follow (failure names it); what this call closed is open again
    Stopped,      // MustStop (StopCause.h) was seen
};

// Carries out change. The record says "Route broken: ..." and "Route made:
// TITLE through CROSSPOINTS; settle N ms" as each side is read back as
// planned, or "Route failed: ..." with the relay that did not follow.
RouteEnd ApplyRouteChange(const SwitchPlace& place, const RouteChange& change, std::string& failure);

#endif
