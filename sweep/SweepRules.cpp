#include "SweepRules.h"

#include "RelayMatrix.h"
#include "StationSwitch.h"
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

std::string SkipReason(const Wiring& wiring, const RelaySet& held, int relay)
{
    RelaySet request;
    request.set(static_cast<std::size_t>(relay));
    std::string refusal;
    std::string breach;
    switch (CheckCloseRules(wiring, held, request, WiringMostClosedPerBoard, refusal, breach)) {
    case CloseRule::Allowed: return "";
    case CloseRule::StateBroken: return refusal + ": " + breach;
    case CloseRule::Refused: break;
    }
    return refusal;
}

SweepSkips SkipsFor(const Wiring& wiring, BoardSet boards, const RelaySet& held)
{
    SweepSkips skips(static_cast<std::size_t>(BoardCount * RelaysPerBoard));
    for (int relay = 0; relay < BoardCount * RelaysPerBoard; ++relay) {
        if (InSet(boards, static_cast<BoardIndex>(relay / RelaysPerBoard)))
            skips[static_cast<std::size_t>(relay)] = SkipReason(wiring, held, relay);
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
