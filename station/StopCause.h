// Why a program's work must stop before its end, looked at between driver
// accesses: a stop asked for from outside (StopRequest.h), the SPI controller
// busy through StayedBusyWaits waits in a row, or a record that can no longer
// be written. The first cause seen is kept; each has its own exit status.
#ifndef RELAYTEST_FRAME_STOPCAUSE_H
#define RELAYTEST_FRAME_STOPCAUSE_H

enum class StopCause { None, Requested, ControllerBusy, RecordLost };

// Waits in a row that run out their polls before the controller counts as
// stuck: one is a slow transfer, three are a controller that does not answer.
inline constexpr int StayedBusyWaits = 3;

// Whether the work must stop now; once true, it stays true.
bool MustStop();

StopCause WhyStopped();

// The cause as the stop line names it: "interrupted by SIGINT", "the SPI
// controller stayed busy", "the record could not be written".
const char* StopCauseText();

// The exit status for the cause: 4 for the controller, 5 for the record. A
// request ends the process as the request would have (StopAsRequested) and
// has none.
int StopStatus();

// Back to no cause and no wait of the controller run out: for tests that run many bodies in one process.
void ForgetStopCause();

#endif
