// The station's wiring in use: chosen once, in one place, for every tool
// (--wiring FILE or the library's argument, else the environment variable
// RELAYTEST_WIRING that a station sets once for every operator), read before
// the card is touched, and named in the record right after the card header.
#ifndef RELAYTEST_FRAME_STATIONWIRING_H
#define RELAYTEST_FRAME_STATIONWIRING_H

#include <string>

#include "BoardSet.h"
#include "Wiring.h"

// The variable a station sets to its wiring file.
inline constexpr const char* WiringVariable = "RELAYTEST_WIRING";

// The wiring file to use: given (a command line's --wiring, a library
// caller's argument) when it is, else RELAYTEST_WIRING's; "" for none. none
// true: no wiring whatever the environment says.
std::string ChooseWiringFile(const char* given, bool none = false);

// --wiring as the command line gave it (given false: not given).
void SetWiringOption(bool given, const std::string& file);

// Reads the file --wiring names, else RELAYTEST_WIRING's, if any, and puts it
// in use. False, with "FILE line N: what is wrong" in error, for a file that
// cannot be read or is not a wiring file.
bool LoadStationWiring(std::string& error);

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
