// The end of any tool's work that must stop before its end (a stop request,
// a controller that stays busy, a record that cannot be written, a library
// caller that gives up): every board the work pushed is pushed all open and
// read back, and the record's stop line says why, where and what became of
// the boards. One stop for the programs' frame and the library's sessions.
#ifndef RELAYTEST_STATION_SESSIONSTOP_H
#define RELAYTEST_STATION_SESSIONSTOP_H

#include <string>

#include "BoardSet.h"

struct StopDone {
    BoardSet notOpen = 0;  // of the boards pushed, those that did not read back open
    std::string boards;    // "; boards 0-1 pushed open and read back open", as the stop line ends
};

// Pushes each board of pushed open and reads it back (unless the work has
// done so already: opened, with notOpen its result), then records
// "CLOSING stopped: CAUSE WHERE; boards ..." (no WHERE: none).
StopDone RecordStop(const char* closing, const std::string& cause, const std::string& where, BoardSet pushed,
                    bool opened = false, BoardSet notOpen = 0);

#endif
