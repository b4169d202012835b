// The fixed relay script run between the revision line and the closing prompt.
#ifndef RELAYTEST_APP_TESTSEQUENCE_H
#define RELAYTEST_APP_TESTSEQUENCE_H

#include <string>

#include "Wiring.h"

// The relays the script closes (0, 8, 100 and 105 on board 0; 129 and 254 on
// board 1), every one still closed at its end.
inline constexpr int RelaytestCloses[] = {0, 8, 100, 105, 129, 254};

void RunTestSequence();

// Whether the station's wiring allows the script: its closes, all closed at
// once by its end, against the wiring's rules and the board limit, as if
// nothing else were closed. False, with the rule it would break in refusal.
bool SequenceKeepsRules(const Wiring& wiring, std::string& refusal);

#endif
