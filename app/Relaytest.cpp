#include "Relaytest.h"

#include <cstdio>
#include <cstring>

#include "CardHeader.h"
#include "ConsoleSetup.h"
#include "OperatorWait.h"
#include "TestSequence.h"
#include "TraceOutput.h"

int RunRelaytest()
{
    PrepareConsole();
    (void)ReportCard();
    RunTestSequence();

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
