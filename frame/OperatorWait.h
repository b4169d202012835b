// The wait for the operator after the closing prompt. One implementation per
// platform, chosen by the build.
#ifndef RELAYTEST_FRAME_OPERATORWAIT_H
#define RELAYTEST_FRAME_OPERATORWAIT_H

// Flushes standard output so the prompt is visible, then waits for a key
// press. Returns at once when nobody can answer.
void WaitForOperator();

#endif
