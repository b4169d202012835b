#include "CardHeader.h"

#include <cstdint>
#include <cstdio>
#include <iostream>

#include "BarAccess.h"
#include "Driver.h"
#include "TraceOutput.h"

namespace {
// The FPGA revision register, relative to the card's base address.
constexpr std::uint32_t FpgaRevisionOffset = 0x68;
}  // namespace

bool ReportCard()
{
    // The card check goes through the stream object, everything after it
    // through printf. The stream stays synchronised with stdio: it writes into
    // stdio's buffer, so both reach standard output in program order.
    const bool card = CardPresent();
    if (card)
        std::cout << "Success\n";
    else
        std::cout << "ERROR: TEVRIS didn't find what it expected\n";
    EndTraceLine();

    // Always card 0 here: the revision is read before, and apart from, the
    // BAR settings.
    std::printf("FPGA Rev: %08X\n", RelInPortDWord(0, FpgaRevisionOffset));
    EndTraceLine();
    return card;
}
