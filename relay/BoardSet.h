// Sets of boards: as a bit mask, as the records spell them, and pushed all
// open, as a program does when it is stopped with relays closed.
#ifndef RELAYTEST_RELAY_BOARDSET_H
#define RELAYTEST_RELAY_BOARDSET_H

#include <cstddef>
#include <cstdint>

#include "RelayMatrix.h"

// Bit b set: board b (0..7).
using BoardSet = std::uint8_t;

inline constexpr BoardSet AllBoards = 0xFF;

inline bool InSet(BoardSet boards, BoardIndex board) { return ((boards >> board) & 1) != 0; }

// The boards as the records name them: ascending, each run of consecutive
// boards as a range ("0-7", "0,2-3", "5").
void SpellBoardList(BoardSet boards, char* text, std::size_t size);

// How many boards the set holds.
int BoardsIn(BoardSet boards);

// Reads the board back; true when every relay reads open. Its image is all
// open afterwards, whatever came back.
bool ConfirmOpen(BoardIndex board);

// Pushes each board of the set all open and reads it back: every relay its
// image still holds closed is switched off with a switch of its own, so that
// the record says which; a board with none closed is pushed all open all the
// same. Each image is all open afterwards, whatever came back. Returns the
// boards whose read-back showed a relay closed.
BoardSet OpenBoards(BoardSet boards);

// The end of a stop line, after what stopped the program: the boards pushed
// open and whether they read back open ("; boards 0-1 pushed open and read
// back open"), with the line end; then flushed.
void PrintOpenedBoards(BoardSet pushed, BoardSet notOpen);

// The same words, without the line end, into text.
void SpellOpenedBoards(BoardSet pushed, BoardSet notOpen, char* text, std::size_t size);

#endif
