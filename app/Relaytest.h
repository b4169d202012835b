// relaytest's one fixed pass: the card check and revision, the relay test
// sequence, the closing prompt and the wait for the operator. main() is this
// and nothing else; tests and the fuzz target run whole passes through it.
#ifndef RELAYTEST_APP_RELAYTEST_H
#define RELAYTEST_APP_RELAYTEST_H

// Returns the exit status, always 0.
int RunRelaytest();

#endif
