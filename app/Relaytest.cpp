#include "Relaytest.h"

#include <cstdio>

#include "CardHeader.h"
#include "ConsoleSetup.h"
#include "OperatorWait.h"
#include "TestSequence.h"

int RunRelaytest()
{
    PrepareConsole();
    (void)ReportCard();
    RunTestSequence();

    std::printf("\nPress enter to exit\n");
    (void)std::fflush(stdout);
    WaitForOperator();
    return 0;
}
