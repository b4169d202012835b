// relaytest's one fixed pass: the card check and revision, the relay test
// sequence, the closing prompt and the wait for the operator. main() is
// RelaytestMain; tests and the fuzz target run whole passes through
// RunRelaytest.
#ifndef RELAYTEST_APP_RELAYTEST_H
#define RELAYTEST_APP_RELAYTEST_H

// The pass itself. Returns the exit status, always 0.
int RunRelaytest();

// The program: with no argument, and no station wiring that the pass would
// break, the pass (status 0). An argument gets the help (--help), the version
// (--version) or a usage line (status 2), and switches nothing; so does a
// wiring file that cannot be read (2), or whose rules the pass would break
// (6, naming the rule).
int RelaytestMain(int argc, char** argv);

#endif
