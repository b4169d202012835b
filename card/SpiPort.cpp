#include "SpiPort.h"

#include <cstdio>

#include "BarAccess.h"
#include "Driver.h"
#include "HardwareSettings.h"
#include "TraceOutput.h"

namespace {

int RunOut = 0;

std::uint32_t WindowBase()
{
    using namespace HardwareSettings;
    return static_cast<std::uint32_t>(SpiBase + SpiPort * SpiPortStride);
}

}  // namespace

// The poll prints its own trace with no line end: the traces of one wait sit
// side by side on the line that the access trace then ends.
bool SpiBusy()
{
    const std::uint32_t address = WindowBase() + SpiControl;
    const std::uint32_t value = InBAR32(HardwareSettings::CardNum, HardwareSettings::SpiBar, address);
    CheckTraceWrite(TracePrintf("  [[[ SPI Busy Check %02X ?? %08X ]]]  ", address, value));
    return (value & HardwareSettings::SpiBusyMask) != 0;
}

// A tight poll: the limit, not a clock, bounds it.
void SpiWaitReady()
{
    for (int polls = 0; polls < SpiWaitLimit; ++polls) {
        if (!SpiBusy()) {
            RunOut = 0;
            return;
        }
    }
    ++RunOut;
}

int SpiWaitsRunOut() { return RunOut; }

void ForgetSpiWaits() { RunOut = 0; }

std::uint32_t SpiRead(std::uint32_t reg)
{
    SpiWaitReady();
    return BarRead32(WindowBase() + reg);
}

void SpiWrite(std::uint32_t reg, std::uint32_t value)
{
    SpiWaitReady();
    BarWrite32(WindowBase() + reg, value);
}
