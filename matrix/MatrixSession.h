// The library's session: the card held, the station's wiring read, the
// record started (its own file, or none), and the end or stop of it all. One
// session per process; the callers (MatrixApi.cpp) hold its mutex.
#ifndef RELAYTEST_MATRIX_MATRIXSESSION_H
#define RELAYTEST_MATRIX_MATRIXSESSION_H

#include <string>

#include "BoardSet.h"
#include "Wiring.h"

struct SessionRequest {
    const char* wiring = nullptr;  // null or "": RELAYTEST_WIRING's, unless noWiring
    const char* record = nullptr;  // null or "": no record
    int waitSeconds = 0;
    int maxClosed = 0;             // 0: relayctl's default
    bool noWiring = false;
    const char* ledger = nullptr;  // null: RELAYTEST_LEDGER's; "": none
};

// Every function returns a relaymatrix status, with its text in error.
int BeginSession(const SessionRequest& request, std::string& error);
int EndSession(std::string& error);
// Ends the session as a stop does: every board it pushed pushed open and read
// back, "Session stopped: interrupted by WHY; boards ..." in the record, the
// card let go.
int StopSession(const std::string& why, std::string& error);
bool SessionOpen();

// The wiring the session keeps (an empty one when it has none), whether it has
// one, and the most relays a board may hold closed.
const Wiring& SessionWiring();
bool SessionWired();
int SessionLimit();

// The wiring names are read through: the open session's (ofSession, for a
// call given its handle), else RELAYTEST_WIRING's, read afresh, as the header
// promises for a call without a handle. RELAYMATRIX_BAD_ARGUMENT when that
// file is broken.
int NamingWiring(bool ofSession, Wiring& wiring, bool& wired, std::string& error);

// The boards the session has pushed, for a stop.
void NotePushed(BoardIndex board);

// Once the work has seen MustStop: every pushed board pushed open and read
// back, the stop line naming where ("during close 5"), the session ended;
// RELAYMATRIX_BUSY or RELAYMATRIX_RECORD with its text. 0 when no stop is due.
int StopIfDue(const std::string& where, std::string& error);

#endif
