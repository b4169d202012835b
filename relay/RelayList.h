// Lists of boards as the operator types them, one grammar for every program:
// items separated by commas, each a number or a range such as 2-5: "0,2-3" is
// boards 0, 2 and 3. Relays are named through the station's grammar
// (station/RelayNames.h); a set of them is a RelaySet.
//
// Every mistake has one wording, whichever program reports it; the caller
// puts what was being read in front ("--boards \"0,9\": board 9 is outside 0-7").
#ifndef RELAYTEST_RELAY_RELAYLIST_H
#define RELAYTEST_RELAY_RELAYLIST_H

#include <bitset>
#include <cstddef>
#include <string>

#include "BoardSet.h"

// Bit n set: relay n (0..1023).
using RelaySet = std::bitset<static_cast<std::size_t>(BoardCount) * RelaysPerBoard>;

// The bit of board's relay c (0..127) in a RelaySet.
constexpr std::size_t RelayBit(int board, int c)
{
    return static_cast<std::size_t>(board) * RelaysPerBoard + static_cast<std::size_t>(c);
}

// Reads text as a list of boards 0..7. False, with the mistake in error (no
// line end), when it is not one; boards is then unchanged.
bool ParseBoardList(const char* text, BoardSet& boards, std::string& error);

// The boards that hold the relays.
BoardSet BoardsOf(const RelaySet& relays);

// Text as messages echo it: whole, in double quotes, every control byte
// (0x00-0x1F, 0x7F) written \xHH and a backslash \\. length bytes of text.
std::string Quoted(const char* text, std::size_t length);
std::string Quoted(const std::string& text);

#endif
