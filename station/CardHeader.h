// The first lines of every program's record: whether the driver found a card,
// and the card's FPGA revision.
#ifndef RELAYTEST_FRAME_CARDHEADER_H
#define RELAYTEST_FRAME_CARDHEADER_H

// Asks the driver for its cards and prints the card-check line, then reads and
// prints the FPGA revision, whatever the card check said. Each line is handed
// to the system before the next driver call, so a run that dies keeps them.
// Returns whether a card was found.
bool ReportCard();

#endif
