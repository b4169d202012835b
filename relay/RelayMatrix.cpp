#include "RelayMatrix.h"

#include <cstdio>

#include "CloseCount.h"
#include "HardwareSettings.h"
#include "SpiPort.h"
#include "TraceOutput.h"

std::uint32_t RelayState[BoardCount][WordsPerBoard] = {};
std::uint8_t CrosspointMap[BoardCount][CrosspointRows][CrosspointColumns] = {};

void ClearRelayTables()
{
    for (auto& board : RelayState)
        for (auto& word : board)
            word = 0;
    for (auto& board : CrosspointMap)
        for (auto& row : board)
            for (auto& flag : row)
                flag = 0;
}

void PutBoardImage(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard])
{
    if (board < 0 || board >= BoardCount)
        return;
    for (int word = 0; word < WordsPerBoard; ++word)
        RelayState[board][word] = words[word];
}

namespace {

struct RelayPlace {
    int board;
    int word;
    int bit;
    int row;
    int column;
};

RelayPlace Place(RelayNumber relay)
{
    const int c = relay % RelaysPerBoard;
    return {relay / RelaysPerBoard, c / 32, c % 32, CrosspointRowOf(relay), CrosspointColumnOf(relay)};
}

// Numbers outside the matrix would index past the tables: they are refused
// before anything is touched or sent.
bool RelayInRange(RelayNumber relay)
{
    if (relay >= 0 && relay < BoardCount * RelaysPerBoard)
        return true;
    TracePrintf("ERROR: relay %d is out of range 0 to %d\n", relay, BoardCount * RelaysPerBoard - 1);
    EndTraceLine();
    return false;
}

bool BoardInRange(BoardIndex board)
{
    if (board >= 0 && board < BoardCount)
        return true;
    TracePrintf("ERROR: board %d is out of range 0 to %d\n", board, BoardCount - 1);
    EndTraceLine();
    return false;
}

}  // namespace

void SetRelay(RelayNumber relay, bool on)
{
    if (!RelayInRange(relay))
        return;
    TracePrintf("Turning %s relay %4d\n", on ? "on" : "off", relay);
    EndTraceLine();
    const RelayPlace p = Place(relay);
    CrosspointMap[p.board][p.row][p.column] = on ? 1 : 0;
    const std::uint32_t mask = 1u << p.bit;
    if (on)
        RelayState[p.board][p.word] |= mask;
    else
        RelayState[p.board][p.word] &= ~mask;
    WriteBoard(p.board);
}

void WriteBoard(BoardIndex board)
{
    if (!BoardInRange(board))
        return;
    for (int word = 0; word < WordsPerBoard; ++word)
        SpiWrite(SpiData0 + 4u * static_cast<std::uint32_t>(word), RelayState[board][word]);
    SpiWrite(SpiControl, static_cast<std::uint32_t>(board) | HardwareSettings::SpiGoFlag);
    NoteBoardPushed(board, RelayState[board]);
}

bool ReadBoard(BoardIndex board)
{
    if (!BoardInRange(board))
        return false;

    // Control without the go flag fetches the board into the data words; the
    // wait before the first data read lets the fetch finish.
    SpiWrite(SpiControl, static_cast<std::uint32_t>(board));
    for (int word = 0; word < WordsPerBoard; ++word)
        RelayState[board][word] = SpiRead(SpiData0 + 4u * static_cast<std::uint32_t>(word));
    NoteBoardFetched(board, RelayState[board]);

    TracePrintf("\r\nBoard #%d\r\n", board);
    EndTraceLine();
    for (int word = 0; word < WordsPerBoard; ++word) {
        const std::uint32_t value = RelayState[board][word];
        const int first = board * RelaysPerBoard + word * 32;
        TracePrintf("[%08X] = ", value);
        TracePrintf("Relays %2d to %3d = ", first, first + 31);
        for (int bit = 0; bit < 32; ++bit)
            TracePutChar((value >> bit) & 1u ? 'X' : '.');
        TracePrintf("\r\n");
        EndTraceLine();
    }
    TracePrintf("--------\r\n");
    EndTraceLine();
    return true;
}

bool RelayIsOn(RelayNumber relay)
{
    if (!RelayInRange(relay))
        return false;
    const RelayPlace p = Place(relay);
    ReadBoard(p.board);
    return (RelayState[p.board][p.word] >> p.bit) & 1u;
}
