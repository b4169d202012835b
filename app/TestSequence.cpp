#include "TestSequence.h"

#include "RelayMatrix.h"
#include "StationSwitch.h"

// Switches relays in the first and last data word of boards 0 and 1 and reads
// both boards back. Nothing is switched off, and what comes back changes
// nothing in the script.
void RunTestSequence()
{
    SetRelay(0, true);
    SetRelay(100, true);
    SetRelay(105, true);
    SetRelay(8, true);
    ReadBoard(0);
    SetRelay(129, true);
    SetRelay(254, true);
    ReadBoard(0);
    ReadBoard(1);
}

bool SequenceKeepsRules(const Wiring& wiring, std::string& refusal)
{
    RelayBits closes;
    for (const int relay : RelaytestCloses)
        closes.set(static_cast<std::size_t>(relay));
    return CheckClose(wiring, RelayBits{}, closes, DefaultMaxClosed, refusal);
}
