// The station's wiring as the programs the frame runs keep it: found after
// the command line is read (--wiring FILE, else the environment variable
// RELAYTEST_WIRING that a station sets once for every operator), read before
// the card is touched, and named in the record right after the card header.
#ifndef RELAYTEST_FRAME_STATIONWIRING_H
#define RELAYTEST_FRAME_STATIONWIRING_H

#include <string>

#include "BoardSet.h"
#include "Wiring.h"

// The variable a station sets to its wiring file.
inline constexpr const char* WiringVariable = "RELAYTEST_WIRING";

// --wiring as the command line gave it (given false: not given).
void SetWiringOption(bool given, const std::string& file);

// Reads the file --wiring names, else RELAYTEST_WIRING's, if any. -1 to go on
// (with a wiring or without); 2 for a file that cannot be read or is not a
// wiring file, said on standard error as "PROG: FILE line N: what is wrong".
int LoadStationWiring(const char* program);

// Whether a wiring file is in use, and the wiring (EmptyWiring() when none).
bool StationHasWiring();
const Wiring& StationWiring();

// Puts a wiring in use (tests, and a library that reads its own); none after
// ForgetStationWiring.
void UseStationWiring(const Wiring& wiring);
void ForgetStationWiring();

// The boards the wiring lists.
BoardSet ListedBoards(const Wiring& wiring);

// "bench-3.toml (checksum 0123456789ABCDEF)", control bytes written \xHH.
std::string WiringTitle(const Wiring& wiring);

// The record's "Wiring: ..." line, when a wiring is in use.
void RecordWiringLine();

#endif
