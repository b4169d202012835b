#include "Sweep.h"

#include <cstdint>

#include "RelayMatrix.h"

namespace {

// The relay of each board that stays closed while the other boards are read
// back: a push that also lands on another board shows there as this relay.
constexpr int AddressProbe = 0;

bool InSet(BoardSet boards, BoardIndex board) { return ((boards >> board) & 1) != 0; }

// A read-back replaces the board's image with what came back: after a faulty
// one (an absent board answers all ones) the next push would close every
// relay it returned. The sweep puts back what it meant the board to hold:
// every relay open but the one under test (none: -1).
void RestoreImage(BoardIndex board, int closed)
{
    std::uint32_t words[WordsPerBoard] = {};
    if (closed >= 0)
        words[closed / 32] = 1u << (closed % 32);
    PutBoardImage(board, words);
}

void ReadOtherBoards(BoardSet boards, BoardIndex tested)
{
    for (BoardIndex other = 0; other < BoardCount; ++other) {
        if (other == tested || !InSet(boards, other))
            continue;
        ReadBoard(other);
        RestoreImage(other, -1);
    }
}

void SweepBoard(BoardSet boards, BoardIndex board)
{
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        SetRelay(relay, true);
        ReadBoard(board);
        RestoreImage(board, c);
        if (c == AddressProbe)
            ReadOtherBoards(boards, board);
        SetRelay(relay, false);
    }
}

}  // namespace

void RunSweep(BoardSet boards)
{
    // Every board of the set starts open, so that each read-back has a push
    // of its own board to be compared with.
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board))
            SetRelay(board * RelaysPerBoard, false);
    }
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board))
            SweepBoard(boards, board);
    }
}
