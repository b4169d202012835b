#include "OperatorWait.h"

#include <cstdio>

void WaitForOperator()
{
    // Through a pipe (relaytest | tee run.log) stdout is fully buffered: the
    // prompt must be out before we block. When it cannot go out (output
    // closed, full, or nobody reading) there is nothing better to do than wait.
    (void)std::fflush(stdout);

    // There is no "pause" here. Enter ends the wait; so does end of input or
    // a read error (stdin closed, /dev/null, a finished pipe), so the program
    // never hangs when nobody is there.
    int c = 0;
    do
        c = std::getchar();
    while (c != '\n' && c != EOF);
}
