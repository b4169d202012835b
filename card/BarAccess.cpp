#include "BarAccess.h"

#include <cstdio>

#include "Driver.h"
#include "HardwareSettings.h"
#include "TraceOutput.h"

bool CardPresent()
{
    // A negative count is the driver's way of failing, not a number of cards.
    return GetNumCards() >= 1;
}

// Both accesses trace after the driver call has returned: a read shows the
// value actually returned, a write is only traced once the driver has it.
std::uint32_t BarRead32(std::uint32_t offset)
{
    const std::uint32_t value = InBAR32(HardwareSettings::CardNum, HardwareSettings::SpiBar, offset);
    TracePrintf("%02X ?? %08X\n", offset, value);
    EndTraceLine();
    return value;
}

void BarWrite32(std::uint32_t offset, std::uint32_t value)
{
    OutBAR32(HardwareSettings::CardNum, HardwareSettings::SpiBar, offset, value);
    TracePrintf("%02X << %08X\n", offset, value);
    EndTraceLine();
}
