// Text from outside (what an operator typed, what another program wrote into
// the card lock) as the programs echo it: control bytes as \xHH, a backslash as
// \\, so that nothing echoed can move the cursor or fake a line.
#ifndef RELAYTEST_CARD_ESCAPEDTEXT_H
#define RELAYTEST_CARD_ESCAPEDTEXT_H

#include <cstddef>
#include <string>

std::string EscapedText(const char* text, std::size_t size);

// The card lock's name: RELAYTEST_LOCK when set, otherwise the machine's own.
std::string CardLockName(const char* machineDefault);

#endif
