#include "BoardSet.h"

#include <cstdio>

#include "TraceOutput.h"

namespace {

bool AllOpen(BoardIndex board)
{
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (RelayState[board][word] != 0)
            return false;
    }
    return true;
}

void PushOpen(BoardIndex board)
{
    bool pushed = false;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (ImageHolds(board, c)) {
            SetRelay(board * RelaysPerBoard + c, false);
            pushed = true;
        }
    }
    if (!pushed)
        SetRelay(board * RelaysPerBoard, false);
}

}  // namespace

void SpellBoardList(BoardSet boards, char* text, std::size_t size)
{
    std::size_t used = 0;
    text[0] = '\0';
    for (int b = 0; b < BoardCount; ++b) {
        if (!InSet(boards, b))
            continue;
        int end = b;
        while (end + 1 < BoardCount && InSet(boards, end + 1))
            ++end;
        const int n = end == b ? std::snprintf(text + used, size - used, "%s%d", used ? "," : "", b)
                               : std::snprintf(text + used, size - used, "%s%d-%d", used ? "," : "", b, end);
        if (n < 0 || static_cast<std::size_t>(n) >= size - used)
            return;
        used += static_cast<std::size_t>(n);
        b = end;
    }
}

int BoardsIn(BoardSet boards)
{
    int count = 0;
    for (int b = 0; b < BoardCount; ++b)
        count += InSet(boards, b) ? 1 : 0;
    return count;
}

bool ConfirmOpen(BoardIndex board)
{
    const std::uint32_t open[WordsPerBoard] = {};
    ReadBoard(board);
    const bool allOpen = AllOpen(board);
    PutBoardImage(board, open);
    return allOpen;
}

BoardSet OpenBoards(BoardSet boards)
{
    BoardSet notOpen = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(boards, board))
            continue;
        PushOpen(board);
        if (!ConfirmOpen(board))
            notOpen = static_cast<BoardSet>(notOpen | (1u << board));
    }
    return notOpen;
}

void SpellOpenedBoards(BoardSet pushed, BoardSet notOpen, char* text, std::size_t size)
{
    char list[32] = "";
    SpellBoardList(pushed, list, sizeof list);
    if (pushed == 0) {
        (void)std::snprintf(text, size, "; no board pushed");
    } else if (notOpen == 0) {
        (void)std::snprintf(text, size, "; boards %s pushed open and read back open", list);
    } else {
        char notOpenList[32] = "";
        SpellBoardList(notOpen, notOpenList, sizeof notOpenList);
        (void)std::snprintf(text, size, "; boards %s pushed open, but boards %s did not read back open", list,
                            notOpenList);
    }
}

void PrintOpenedBoards(BoardSet pushed, BoardSet notOpen)
{
    char text[128];
    SpellOpenedBoards(pushed, notOpen, text, sizeof text);
    CheckTraceWrite(TracePrintf("%s\n", text));
    EndTraceLine();
}
