// relayctl as the frame runs it (Frame.h): its command line, its heading and
// its body, one command or a session of them.
//
//   relayctl [--max-closed N] [--wiring FILE] [--wait SECONDS]
//            [close RELAYS...|open RELAYS...|all|show [BOARDS...]|wiring]
#ifndef RELAYTEST_RELAYCTL_CTLPROGRAM_H
#define RELAYTEST_RELAYCTL_CTLPROGRAM_H

#include "Frame.h"

extern const ProgramEntry RelayctlProgram;

#endif
