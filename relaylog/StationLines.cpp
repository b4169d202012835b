// The lines a station's wiring puts in a record, and relayctl's routes, each
// judged by the read-backs before its line.
#include "Protocol.h"

namespace relaylog {

// The line after the card header names the wiring, or the record has none.
// True when it was that Wiring line.
bool ProtocolFollower::WiringLine(const RecordLine& line)
{
    if (wiringKnown_ || Is(RunKind::Fixed))
        return false;
    wiringKnown_ = true;
    const bool named = line.kind == LineKind::Wiring;
    tell_(&FindingSink::RecordWiring, line.number, named ? line.text : std::string());
    return named;
}

bool ProtocolFollower::ReadsClosed(int relay) const
{
    return Bit(seen_[BoardOf(relay)], CrosspointOf(relay));
}

// A route made must read back closed, relay by relay; one broken, open; a
// failed change's rollback must leave open every relay the command closed.
void ProtocolFollower::Route(const RecordLine& line)
{
    tell_(&FindingSink::RuleLine, line);
    const bool made = line.kind == LineKind::RouteMade;
    if (line.kind == LineKind::RouteFailed) {
        int left = 0;
        while (left < Relays && !(closing_.test(static_cast<std::size_t>(left)) && ReadsClosed(left)))
            ++left;
        const bool any = left < Relays;
        Found(line.number, RouteFailed{line.text, any ? left : -1, any ? seenAt_[BoardOf(left)] : 0});
    }
    for (const std::int32_t relay : line.path) {
        const Finding finding{line.number, RouteNotFollowed{line.text, relay, made, seenAt_[BoardOf(relay)]}};
        if (made)
            made_.set(static_cast<std::size_t>(relay));
        if (made && !ReadsClosed(relay))
            Found(line.number, finding.what);
        else if (!made && ReadsClosed(relay))
            unbroken_.push_back(finding);
    }
}

// The command's routes are all in: a relay of a route broken that reads back
// closed is a fault unless a route made holds it (a transition never touches
// the relays two routes share, and its made lines may come after).
void ProtocolFollower::CommandDone()
{
    for (const Finding& finding : unbroken_) {
        if (!made_.test(static_cast<std::size_t>(std::get<RouteNotFollowed>(finding.what).relay)))
            tell_(&FindingSink::Problem, finding);
    }
    unbroken_.clear();
    closing_.reset();
    made_.reset();
}

}  // namespace relaylog
