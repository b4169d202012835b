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
    // A record other than standard output (the library's) gets the same words.
    const bool card = CardPresent();
    const char* const found = card ? "Success\n" : "ERROR: TEVRIS didn't find what it expected\n";
    if (TraceStream() == stdout)
        std::cout << found;
    else
        CheckTraceWrite(TracePrintf("%s", found));
    EndTraceLine();

    // Always card 0 here: the revision is read before, and apart from, the
    // BAR settings.
    TracePrintf("FPGA Rev: %08X\n", RelInPortDWord(0, FpgaRevisionOffset));
    EndTraceLine();
    return card;
}
