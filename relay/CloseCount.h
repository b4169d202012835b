// Each relay's operations, as the station's ledger counts them: the pushes
// that took it from open to closed. A relay's coil wears with each pull-in,
// not with each push of a board that leaves it as it was: a push counts for
// a relay only where the board last held it open, as the board last read
// back or was last pushed by this process (open at the start: the card's
// state at power-on). The boards keep no count of their own.
#ifndef RELAYTEST_RELAY_CLOSECOUNT_H
#define RELAYTEST_RELAY_CLOSECOUNT_H

#include <cstdint>

#include "RelayMatrix.h"

// Told by the matrix: a board's words fetched, or pushed.
void NoteBoardFetched(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard]);
void NoteBoardPushed(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard]);

// The closes counted since the last take, by relay; the counts start again
// from zero. Whether any is waiting.
void TakeCloseCounts(std::uint32_t (&closes)[BoardCount * RelaysPerBoard]);
bool CloseCountsWaiting();
// Counts taken but not written, given back to be written with the next.
void RestoreCloseCounts(const std::uint32_t (&closes)[BoardCount * RelaysPerBoard]);

// Called after each push that counted a close (nullptr: none): the
// session's ledger decides whether it is time to write them.
void WatchCloseCounts(void (*counted)());

// Every count dropped and every board taken as open again (tests).
void ForgetCloseCounts();

#endif
