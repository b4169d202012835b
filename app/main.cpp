// relaytest: one fixed pass over the relay matrix card. Checks the card,
// reports the FPGA revision, runs the relay test sequence and waits for the
// operator. Arguments and environment are ignored; the exit status is always 0.
#include <cstdio>

#include "CardHeader.h"
#include "ConsoleSetup.h"
#include "OperatorWait.h"
#include "TestSequence.h"

int main()
{
    PrepareConsole();
    (void)ReportCard();
    RunTestSequence();

    std::printf("\nPress enter to exit\n");
    (void)std::fflush(stdout);
    WaitForOperator();
    return 0;
}
