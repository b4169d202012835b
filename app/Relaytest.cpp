#include "Relaytest.h"

#include <cstdio>
#include <cstring>

#include "CardHeader.h"
#include "CardLock.h"
#include "ConsoleSetup.h"
#include "OperatorWait.h"
#include "TestSequence.h"
#include "TraceOutput.h"

int RunRelaytest()
{
    PrepareConsole();
    // The card is ours from the first driver call to the last; the operator's
    // wait at the end keeps no one else from it. Without a lock at all (its
    // file cannot be made) the pass runs anyway, as it always has.
    if (TakeCard("relaytest", WaitForever) == CardLockResult::Failed)
        (void)std::fprintf(stderr, "relaytest: running without the card lock\n");
    (void)ReportCard();
    RunTestSequence();
    ReleaseCard();

    std::printf("\nPress enter to exit\n");
    EndTraceLine();
    // The pass still ends with status 0; the operator hears why the record
    // is short before the wait.
    if (TraceWriteFailed())
        (void)std::fprintf(stderr, "relaytest: the record could not be written (%s)\n",
                           std::strerror(TraceWriteError()));
    WaitForOperator();
    return 0;
}
