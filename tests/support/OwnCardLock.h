// The tests that run the programs in-process take the card lock as the
// programs do. Each test process gets a lock of its own, so that suites run at
// once (and an operator's program holding the machine's card) do not make
// them wait, unless RELAYTEST_LOCK is already set.
#ifndef RELAYTEST_TESTS_SUPPORT_OWNCARDLOCK_H
#define RELAYTEST_TESTS_SUPPORT_OWNCARDLOCK_H

// Sets RELAYTEST_LOCK for this process when it is not set; a lock file made
// for it is removed when the process exits.
void UseOwnCardLock();

#endif
