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

// Reads the file into boards. A missing file is a card at power-on: every
// word zero. False, with a reason that names the file, for one that cannot be
// read or is not eight such lines.
bool LoadSimState(const std::string& path, CardWords& boards, std::string& error);

// Writes the file anew. False when it cannot be written.
bool SaveSimState(const std::string& path, const CardWords& boards);

#endif
