// relayctl's body: one command from the command line, or a session of them
// from standard input, each line a command.
#ifndef RELAYTEST_RELAYCTL_CTLSESSION_H
#define RELAYTEST_RELAYCTL_CTLSESSION_H

#include "CtlCommand.h"
#include "Frame.h"

// The limit of closed relays on one board (--max-closed).
void SetMaxClosed(int limit);
int MaxClosed();

// Runs the command read from words: status 0 as asked, 1 not as asked, 6
// refused by the limit; or stopped, for the frame to end.
WorkEnd RunOne(int count, const char* const* words, const CtlCommand& command);

// Commands one a line until quit or the end of input. A bad line is refused
// and the session goes on; the status is the worst of its commands'.
WorkEnd RunSession();

#endif
