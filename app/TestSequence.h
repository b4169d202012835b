// The fixed relay script run between the revision line and the closing prompt.
#ifndef RELAYTEST_APP_TESTSEQUENCE_H
#define RELAYTEST_APP_TESTSEQUENCE_H

void RunTestSequence();

#endif
