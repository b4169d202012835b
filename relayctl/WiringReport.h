// relayctl wiring: the station's wiring file checked and shown as the
// operator reads the matrix, with no register touched and no lock taken.
#ifndef RELAYTEST_RELAYCTL_WIRINGREPORT_H
#define RELAYTEST_RELAYCTL_WIRINGREPORT_H

#include <string>

#include "Wiring.h"

// The relays relaytest closes in its fixed pass (0, 8, 100 and 105 on board
// 0; 129 and 254 on board 1), every one still closed at its end.
inline constexpr int RelaytestCloses[] = {0, 8, 100, 105, 129, 254};

// The report: the file and its checksum, each listed board as a grid of its
// rows by its columns marking forbidden crosspoints, the shared nets, the
// exclusive sets and forbidden crosspoints with their lines, the board
// limit (maxClosed: the program's own), then the warnings.
std::string WiringReport(const Wiring& wiring, int maxClosed);

// What relaytest's fixed pass would break of the wiring's rules, one
// "warning: ..." line each; empty when nothing.
std::string RelaytestWarnings(const Wiring& wiring);

#endif
