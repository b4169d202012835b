// relaytest: one fixed pass over the relay matrix card. Checks the card,
// reports the FPGA revision, runs the relay test sequence and waits for the
// operator. Arguments and environment are ignored; the exit status is always 0.
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "BarAccess.h"
#include "ConsoleSetup.h"
#include "Driver.h"
#include "OperatorWait.h"
#include "TestSequence.h"

namespace {
// The FPGA revision register, relative to the card's base address.
constexpr std::uint32_t FpgaRevisionOffset = 0x68;
}  // namespace

int main()
{
    PrepareConsole();

    // The card check goes through the stream object, everything after it
    // through printf. The stream stays synchronised with stdio: it writes into
    // stdio's buffer, so both reach standard output in program order.
    if (CardPresent())
        std::cout << "Success\n";
    else
        std::cout << "ERROR: TEVRIS didn't find what it expected\n";
    (void)std::fflush(stdout);

    // Always card 0 here: the revision is read before, and apart from, the
    // BAR settings.
    std::printf("FPGA Rev: %08X\n", RelInPortDWord(0, FpgaRevisionOffset));
    (void)std::fflush(stdout);

    RunTestSequence();

    std::printf("\nPress enter to exit\n");
    (void)std::fflush(stdout);
    WaitForOperator();
    return 0;
}
