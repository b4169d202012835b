#include "StopCause.h"

#include <string>

#include "Outcome.h"
#include "Record.h"
#include "SpiPort.h"
#include "StopRequest.h"

namespace {
StopCause Cause = StopCause::None;
}  // namespace

bool MustStop()
{
    if (Cause != StopCause::None)
        return true;
    if (StopRequested())
        Cause = StopCause::Requested;
    else if (SpiWaitsRunOut() >= StayedBusyWaits)
        Cause = StopCause::ControllerBusy;
    else if (RecordLost())
        Cause = StopCause::RecordLost;
    return Cause != StopCause::None;
}

StopCause WhyStopped() { return Cause; }

const char* StopCauseText()
{
    static std::string text;
    switch (Cause) {
    case StopCause::Requested:
        text = std::string("interrupted by ") + StopRequestName();
        return text.c_str();
    case StopCause::ControllerBusy: return "the SPI controller stayed busy";
    case StopCause::RecordLost: return "the record could not be written";
    case StopCause::None: break;
    }
    return "nothing";
}

int StopStatus()
{
    switch (Cause) {
    case StopCause::ControllerBusy: return ExitStatus(Outcome::ControllerBusy);
    case StopCause::RecordLost: return ExitStatus(Outcome::RecordLost);
    default: return 0;
    }
}

void ForgetStopCause()
{
    Cause = StopCause::None;
    ForgetSpiWaits();
}
