// The lines a station's wiring puts in a relaysweep or relayctl record: the
// wiring named after the card header, relays skipped by rule, commands
// refused and rules already broken. None is a fault of the card; each is
// handed on as it is.
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

void ProtocolFollower::StationRule(const RecordLine& line)
{
    // relayctl's refusals are the relaymatrix library's too.
    const bool ours = Is(line.kind == LineKind::RelaySkipped ? RunKind::Sweep : RunKind::Switching);
    if (!ours)
        Framing(line);
    else if (line.n < 0 || line.n >= Relays)
        Found(line.number, NoSuchRelay{line.n});
    else
        tell_(&FindingSink::RuleLine, line);
}

}  // namespace relaylog
