// The relay matrix: eight boards of 128 relays, 1,024 in all, switched one at
// a time. Every switch pushes its whole board through the SPI port.
//
// Relay n is relay n mod 128 of board n div 128. Within a board, relay c is
// bit c mod 32 of data word c div 32, and crosspoint row c mod 8, column
// c div 8: consecutive relays run down a column of the 8 x 16 matrix.
#ifndef RELAYTEST_RELAY_RELAYMATRIX_H
#define RELAYTEST_RELAY_RELAYMATRIX_H

#include <cstdint>

using RelayNumber = std::int32_t;  // 0..1023
using BoardIndex = std::int32_t;   // 0..7

inline constexpr int BoardCount = 8;
inline constexpr int WordsPerBoard = 4;
inline constexpr int RelaysPerBoard = 128;
inline constexpr int CrosspointRows = 8;
inline constexpr int CrosspointColumns = 16;

// The image pushed to each board: bit b of word w is relay 32w + b, 1 for on.
// All zero at start; read-back replaces a board's words with what it returns.
extern std::uint32_t RelayState[BoardCount][WordsPerBoard];

// The flag last given to each relay by SetRelay, by board, row and column.
extern std::uint8_t CrosspointMap[BoardCount][CrosspointRows][CrosspointColumns];

// Where a relay sits on its board: crosspoint row c mod 8, column c div 8,
// with c its number on the board; and the relay at a board's crosspoint.
constexpr int CrosspointRowOf(RelayNumber relay) { return relay % RelaysPerBoard % CrosspointRows; }
constexpr int CrosspointColumnOf(RelayNumber relay) { return relay % RelaysPerBoard / CrosspointRows; }
constexpr RelayNumber RelayAt(BoardIndex board, int row, int column)
{
    return board * RelaysPerBoard + column * CrosspointRows + row;
}

// Whether the board's image holds relay c (0..127 of the board) on.
inline bool ImageHolds(BoardIndex board, int c) { return ((RelayState[board][c / 32] >> (c % 32)) & 1u) != 0; }

// Back to the start state: every relay off in both tables. Nothing is sent.
void ClearRelayTables();

// Replaces the image of one board (what its next push sends) with the four
// words given. Nothing is sent; a board outside 0..7 is ignored.
void PutBoardImage(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard]);

// Prints the switch line, updates both tables and pushes the relay's board.
// A number outside 0..1023 gets one error line and nothing else.
void SetRelay(RelayNumber relay, bool on);

// Sends the board's four words, then starts the transfer with the go flag.
// A board outside 0..7 gets one error line and nothing else.
void WriteBoard(BoardIndex board);

// Fetches the board's 128 relay states, takes them as its RelayState, and
// prints them as four maps of 32 relays ("X" on, "." off). True once done;
// false for a board outside 0..7, which gets one error line and nothing else.
bool ReadBoard(BoardIndex board);

// Reads the relay's board back (printing its report) and answers whether the
// relay is on. False, after one error line, for a number outside 0..1023.
bool RelayIsOn(RelayNumber relay);

#endif
