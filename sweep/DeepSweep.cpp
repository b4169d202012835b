#include "DeepSweep.h"

#include <cstdint>
#include <string>

#include "Record.h"
#include "RelayMatrix.h"
#include "StopCause.h"
#include "SweepRules.h"

namespace {

// What the deep passes mean each board to hold: a read-back replaces the
// board's image with what came back, and this is put back after it.
std::uint32_t Meant[BoardCount][WordsPerBoard];
const SweepWiring* Rules = nullptr;
RelaySet Held;  // what the sweep's boards read back last
SweepEnd Done;
RelaySet Skipped;  // named in this pass already

bool Stopping()
{
    Done.stopped = Done.stopped || MustStop();
    return Done.stopped;
}

bool MeantClosed(RelayNumber relay)
{
    const int c = relay % RelaysPerBoard;
    return ((Meant[relay / RelaysPerBoard][c / 32] >> (c % 32)) & 1u) != 0;
}

int MeantOnBoard(BoardIndex board)
{
    int count = 0;
    for (const std::uint32_t word : Meant[board]) {
        for (std::uint32_t w = word; w != 0; w &= w - 1)
            ++count;
    }
    return count;
}

// The board read back; what it holds kept for the rules; its image put back.
bool Read(BoardIndex board)
{
    if (Stopping())
        return false;
    ReadBoard(board);
    for (int c = 0; c < RelaysPerBoard; ++c)
        Held.set(RelayBit(board, c), ImageHolds(board, c));
    PutBoardImage(board, Meant[board]);
    return true;
}

// Whether the relay may be closed now: the wiring's rules over what the
// boards read back and what the sweep means them to hold (a relay that
// sagged open still counts as closed), or the limit alone without a wiring.
bool MayClose(RelayNumber relay, int limit)
{
    RelaySet held = Held;
    for (int r = 0; r < BoardCount * RelaysPerBoard; ++r)
        held.set(static_cast<std::size_t>(r), held.test(static_cast<std::size_t>(r)) || MeantClosed(r));
    std::string reason;
    if (Rules != nullptr)
        reason = SkipReason(*Rules->wiring, Rules->outside | held, relay);
    else if (MeantOnBoard(relay / RelaysPerBoard) >= limit)
        reason = "the board would hold more than " + std::to_string(limit) + " relays closed";
    if (reason.empty())
        return true;
    if (!Skipped.test(static_cast<std::size_t>(relay))) {
        RecordLine("Deep skip: relay %d: %s\n", relay, reason.c_str());
        Skipped.set(static_cast<std::size_t>(relay));
        ++Done.skipped;
    }
    return false;
}

// One relay switched; its board read back once, or twice to verify a close.
// False once a stop is seen.
bool Switch(RelayNumber relay, bool on, int reads)
{
    const BoardIndex board = relay / RelaysPerBoard;
    const int c = relay % RelaysPerBoard;
    if (Stopping())
        return false;
    Done.relay = relay;
    Done.board = board;
    Done.pushed = static_cast<BoardSet>(Done.pushed | (1u << board));
    PutBoardImage(board, Meant[board]);
    SetRelay(relay, on);
    const std::uint32_t bit = 1u << (c % 32);
    Meant[board][c / 32] = on ? Meant[board][c / 32] | bit : Meant[board][c / 32] & ~bit;
    for (int i = 0; i < reads; ++i) {
        if (!Read(board))
            return false;
    }
    if (on)
        ++Done.swept;
    return true;
}

bool ReadAll(BoardSet boards, BoardIndex except, int times)
{
    for (int t = 0; t < times; ++t) {
        for (BoardIndex board = 0; board < BoardCount; ++board) {
            if (board != except && InSet(boards, board) && !Read(board))
                return false;
        }
    }
    return true;
}

// Every relay of the board pushed open at once, and read back.
bool OpenBoard(BoardIndex board)
{
    for (auto& word : Meant[board])
        word = 0;
    if (Stopping())
        return false;
    PutBoardImage(board, Meant[board]);
    SetRelay(board * RelaysPerBoard, false);
    return Read(board);
}

bool Signature(BoardSet boards, int limit)
{
    RecordLine("Deep pass: signature\n");
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int j = 0; InSet(boards, board) && j < 8 && j < limit; ++j) {
            const RelayNumber relay = board * RelaysPerBoard + (16 * j + 9 * board) % RelaysPerBoard;
            if (MayClose(relay, limit) && !Switch(relay, true, 0))
                return false;
        }
    }
    if (!ReadAll(boards, -1, 2))
        return false;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board) && !OpenBoard(board))
            return false;
    }
    return true;
}

// The background built one relay at a time, upwards or downwards: a relay
// that opens one closed before it shows at once. Upwards, each close is
// verified by two reads; downwards, by one (the lateness was seen upwards).
bool Build(BoardIndex board, int first, int last, bool upwards, int limit)
{
    for (int i = 0; i <= last - first; ++i) {
        const RelayNumber relay = board * RelaysPerBoard + (upwards ? first + i : last - i);
        if (MayClose(relay, limit) && !Switch(relay, true, upwards ? 2 : 1))
            return false;
    }
    return true;
}

// Opened in reverse order, the board read back once at the end.
bool TearDown(BoardIndex board, int first, int last)
{
    for (int c = last; c >= first; --c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        if (MeantClosed(relay) && !Switch(relay, false, 0))
            return false;
    }
    return Read(board);
}

bool Background(BoardSet boards, BoardIndex board, int limit, RelaySet& ghostsRead)
{
    const int size = limit > 1 ? limit - 1 : 1;
    for (int first = 0; first < RelaysPerBoard; first += size) {
        const int last = first + size - 1 < RelaysPerBoard ? first + size - 1 : RelaysPerBoard - 1;
        RecordLine("Deep pass: background of board %d, relays %d-%d\n", board, board * RelaysPerBoard + first,
                   board * RelaysPerBoard + last);
        Skipped.reset();
        if (!Build(board, first, last, true, limit) || !TearDown(board, first, last) ||
            !Build(board, first, last, false, limit))
            return false;
        for (int c = 0; c < RelaysPerBoard; ++c) {
            const RelayNumber relay = board * RelaysPerBoard + c;
            if ((c >= first && c <= last) || !MayClose(relay, limit))
                continue;
            if (!Switch(relay, true, 2))
                return false;
            // A relay's first close: is anything closed on another board too?
            if (!ghostsRead.test(static_cast<std::size_t>(relay)) && !ReadAll(boards, board, 1))
                return false;
            ghostsRead.set(static_cast<std::size_t>(relay));
            // Without a wiring the next close's reads show a relay that stayed
            // closed. Under one, the next close is checked against what the
            // board holds once this one is open again: a relay stuck closed counts.
            if (!Switch(relay, false, Rules != nullptr ? 1 : 0))
                return false;
        }
        if (!TearDown(board, first, last))
            return false;
    }
    return true;
}

bool Load(BoardSet boards, int limit)
{
    RecordLine("Deep pass: load\n");
    Skipped.reset();
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard && MeantOnBoard(board) < limit; ++c) {
            // Spread over the board: every fourth relay, then the others.
            const RelayNumber relay = board * RelaysPerBoard + (c * 4 + c / 32) % RelaysPerBoard;
            if (MayClose(relay, limit) && !Switch(relay, true, 0))
                return false;
        }
    }
    if (!ReadAll(boards, -1, 3))
        return false;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board) && !OpenBoard(board))
            return false;
    }
    return true;
}

}  // namespace

SweepEnd RunDeepPasses(BoardSet boards, const SweepWiring& rules, int limit)
{
    Rules = rules.wiring != nullptr ? &rules : nullptr;
    Done = SweepEnd{};
    Held.reset();
    Skipped.reset();
    for (auto& board : Meant) {
        for (auto& word : board)
            word = 0;
    }
    RelaySet ghostsRead;
    bool running = Signature(boards, limit);
    for (BoardIndex board = 0; board < BoardCount && running; ++board)
        running = !InSet(boards, board) || Background(boards, board, limit, ghostsRead);
    running = running && Load(boards, limit);
    if (!running)
        Done.notOpen = OpenBoards(Done.pushed);
    Rules = nullptr;
    return Done;
}
