// relayctl's work on the card. The boards hold their relays between runs, so
// every command starts from what its boards read back, not from the image a
// previous run left in memory: each board a command touches is read back,
// switched, and read back again, and each relay is checked against what was
// asked (BoardSwitch.h, shared with the relaymatrix library). Every line of
// the record is printed by ReadBoard and SetRelay (and the refusal of a
// board); what became of the command goes to standard error.
#ifndef RELAYTEST_RELAYCTL_CONTROL_H
#define RELAYTEST_RELAYCTL_CONTROL_H

#include "CtlCommand.h"

enum class CtlOutcome {
    AsAsked,     // every relay named reads back as asked
    NotAsAsked,  // a board refused, or a relay that did not follow
    Refused,     // a close above the limit of closed relays, or refused by the wiring: nothing switched
    Stopped,     // MustStop (StopCause.h) was seen: the rest is undone
};

// Carries out one command. A board that reads back all ones (not fitted, not
// answering, or every relay closed) is never pushed: pushing its image back
// would close every relay of it. For close, such a board leaves the whole
// command undone, so that no circuit is made half-way; for open, the other
// boards are still opened. Opening every relay of a board pushes it all open
// whatever it read back: a push of zeros closes nothing. A close that would
// leave more than maxClosed relays of a board closed, counting what the
// board read back, switches nothing. With a wiring file in use
// (StationWiring.h), a close first reads back every board its rules depend on
// (CtlRules.h) and switches nothing when they refuse it: the record says
// "Command refused: ..." (after "Rules broken: ..." when what the boards hold
// already breaks a rule). MustStop is looked at before every switch and
// every read-back.
CtlOutcome RunCommand(const CtlCommand& command, int maxClosed);

// Where relayctl switches: standard error told what became of it, the
// boards pushed noted.
SwitchPlace CtlPlace(int maxClosed);

// The route commands (RouteControl.cpp): connect, disconnect, route, routes
// and switch, in the order --order asks (make-before-break, or not).
CtlOutcome RunRouteCommand(const CtlCommand& command, int maxClosed, bool makeFirst);
void SetMakeBeforeBreak(bool makeFirst);
bool MakeBeforeBreak();

// The boards this run has pushed so far: what a stop pushes open.
BoardSet PushedBoards();

// None pushed: for tests that run many commands in one process.
void ForgetPushedBoards();

#endif
