// The lines a station's wiring puts in a relaysweep or relayctl record: the
// wiring named after the card header, relays skipped by rule, commands
// refused and rules already broken. None is a fault of the card; each is
// handed on as it is. relayctl's routes are handed on too, and judged by the
// read-backs before each route line.
#include "Protocol.h"

namespace relaylog {

// The line after the card header names the wiring, or the record has none;
// the next names the ledger the run counted into, or it counted into none.
// True when it was the Wiring or the Ledger line.
bool ProtocolFollower::WiringLine(const RecordLine& line)
{
    if (ledgerKnown_ || Is(RunKind::Fixed))
        return false;
    if (!wiringKnown_) {
        wiringKnown_ = true;
        const bool named = line.kind == LineKind::Wiring;
        tell_(&FindingSink::RecordWiring, line.number, named ? line.text : std::string());
        if (named)
            return true;
    }
    ledgerKnown_ = true;
    if (line.kind == LineKind::Ledger)
        tell_(&FindingSink::RecordLedger, line.text);
    return line.kind == LineKind::Ledger;
}

void ProtocolFollower::StationRule(const RecordLine& line)
{
    // relayctl's refusals are the relaymatrix library's too.
    const bool sweeps = line.kind == LineKind::RelaySkipped || line.kind == LineKind::DeepSkip;
    const bool ours = Is(sweeps ? RunKind::Sweep : RunKind::Switching);
    if (!ours)
        Framing(line);
    else if (line.n < 0 || line.n >= Relays)
        Found(line.number, NoSuchRelay{line.n});
    else
        tell_(&FindingSink::RuleLine, line);
}

// From relaysweep's first "Deep pass:" line on, its read-backs are the deep
// passes'; a relay a deep pass skipped by rule is a line of the station's.
void ProtocolFollower::DeepLine(const RecordLine& line)
{
    if (!Is(RunKind::Sweep)) {
        Framing(line);
        return;
    }
    deep_ = true;
    if (line.kind == LineKind::DeepSkip)
        StationRule(line);
}

bool ProtocolFollower::ReadsClosed(int relay) const
{
    return Bit(seen_[BoardOf(relay)], CrosspointOf(relay));
}

// A route made must read back closed, relay by relay; one broken, open; a
// failed change's rollback must leave open every relay the command closed.
void ProtocolFollower::Route(const RecordLine& line)
{
    if (!Is(RunKind::Switching)) {
        Framing(line);
        return;
    }
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
