// The state file of the simulated card (RELAYSIM=state=PATH): what was last
// sent to each board, kept between runs as real boards keep their latches.
// One line a board, in order: "board 0: " and its four data words, word 0
// (relays 0-31) first, each as eight hexadecimal digits:
//
//   board 0: 00000020 00000000 00000000 00000010   (relays 5 and 100 closed)
#ifndef RELAYTEST_SIM_SIMSTATE_H
#define RELAYTEST_SIM_SIMSTATE_H

#include <array>
#include <string>

#include "SimControl.h"

using CardWords = std::array<BoardWords, 8>;

// Every program on the simulated card shares its state file: a fetch reads
// its board from the file and a push replaces only its boards' lines, so what
// a program reads back is what the last push to that board sent, whichever
// program sent it. Each reads and changes the file under the simulated card's
// own lock (SimStateFile.h), and a new file is written whole beside the old
// one and renamed into its place: no program ever sees it torn.

// Reads the file into boards, without the lock. A missing file is a card at
// power-on: every word zero. False, with a reason that names the file, for
// one that cannot be read or is not eight such lines.
bool LoadSimState(const std::string& path, CardWords& boards, std::string& error);

// As LoadSimState, under the lock.
bool ReadSimState(const std::string& path, CardWords& boards, std::string& error);

// Under the lock: reads the file, replaces the boards whose bits are set in
// boards (bit b for board b) with words, and puts the new file in place.
// False, changing nothing, with a reason naming the file, when it cannot be
// read or written.
bool PushSimState(const std::string& path, std::uint32_t boards, const BoardWords& words, std::string& error);

#endif
