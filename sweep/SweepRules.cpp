#include "SweepRules.h"

#include "RelayMatrix.h"
#include "StationWiring.h"
#include "StopCause.h"

bool ReadOutsideBoards(const Wiring& wiring, BoardSet boards, RelaySet& held, int& board)
{
    held.reset();
    const BoardSet outside = static_cast<BoardSet>(ListedBoards(wiring) & ~boards);
    for (board = 0; board < BoardCount; ++board) {
        if (!InSet(outside, board))
            continue;
        if (MustStop())
            return false;
        ReadBoard(board);
        for (int c = 0; c < RelaysPerBoard; ++c)
            held.set(RelayBit(board, c), ImageHolds(board, c));
    }
    return true;
}

SweepSkips SkipsFor(const Wiring& wiring, BoardSet boards, const RelaySet& held)
{
    SweepSkips skips(static_cast<std::size_t>(BoardCount * RelaysPerBoard));
    std::string breach;
    const bool broken = !StateKeepsRules(wiring, held, WiringMostClosedPerBoard, breach);
    for (int relay = 0; relay < BoardCount * RelaysPerBoard; ++relay) {
        if (!InSet(boards, static_cast<BoardIndex>(relay / RelaysPerBoard)))
            continue;
        RelaySet request;
        request.set(static_cast<std::size_t>(relay));
        std::string& reason = skips[static_cast<std::size_t>(relay)];
        if (broken)
            reason = "the boards already break a rule: " + breach;
        else if (CheckClose(wiring, held, request, WiringMostClosedPerBoard, reason))
            reason.clear();
    }
    return skips;
}

int SkippedCount(const SweepSkips& skips)
{
    int count = 0;
    for (const std::string& reason : skips)
        count += reason.empty() ? 0 : 1;
    return count;
}
