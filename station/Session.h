// One session of work on the card, for the programs' frame and the library
// alike: the card taken, the record started (heading, card header, the
// wiring in use), and, when the work must stop before its end, every board it
// pushed opened and the stop line. Each returns what happened; the caller
// words it.
#ifndef RELAYTEST_STATION_SESSION_H
#define RELAYTEST_STATION_SESSION_H

#include <string>

#include "BoardSet.h"
#include "CardLock.h"
#include "Outcome.h"

// Takes the card for name, waiting up to waitSeconds (notice told once when
// it must wait). AsAsked once taken; CardHeld ("the card is still held by X
// after 10 s") or NoCard (the lock cannot be used: why) with message.
Outcome TakeStationCard(const char* name, int waitSeconds, CardWaitNotice notice, std::string& message);

// The record's first lines: the heading, the card's header, with a wiring in
// use its line, and with a ledger in use its line. AsAsked; NoCard after
// "CLOSING stopped: no card"; or RecordLost.
Outcome StartRecord(const std::string& heading, const char* closing);

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
