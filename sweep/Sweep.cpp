#include "Sweep.h"

#include <cstdint>
#include <cstdio>

#include "RelayMatrix.h"
#include "Progress.h"
#include "Record.h"
#include "StopCause.h"

namespace {

// The relay of each board that stays closed while the other boards are read
// back: a push that also lands on another board shows there as this relay.
// When the wiring skips it, the board's first relay swept takes its place.
constexpr int AddressProbe = 0;

// Why the wiring's rules leave a relay unswept (SweepRules.h); empty: none.
const SweepSkips* Skips = nullptr;

bool Skipped(RelayNumber relay)
{
    return Skips != nullptr && !(*Skips)[static_cast<std::size_t>(relay)].empty();
}

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

// The sweep's place, for the stop and its last line.
SweepEnd Progress;
int RelaysDone = 0;
int RelaysInAll = 0;

void ShowPlace(RelayNumber relay)
{
    char what[48];
    (void)std::snprintf(what, sizeof what, "relay %d of board %d", relay, relay / RelaysPerBoard);
    ShowProgress(RelaysDone++, RelaysInAll, what);
}

bool Stopping()
{
    Progress.stopped = Progress.stopped || MustStop();
    return Progress.stopped;
}

void Push(RelayNumber relay, bool on)
{
    Progress.pushed = static_cast<BoardSet>(Progress.pushed | (1u << (relay / RelaysPerBoard)));
    SetRelay(relay, on);
}

bool ReadOtherBoards(BoardSet boards, BoardIndex tested)
{
    for (BoardIndex other = 0; other < BoardCount; ++other) {
        if (other == tested || !InSet(boards, other))
            continue;
        if (Stopping())
            return false;
        ReadBoard(other);
        RestoreImage(other, -1);
    }
    return true;
}

// False once a stop has been seen: the relay under test may still be closed.
bool SweepBoard(BoardSet boards, BoardIndex board)
{
    int probe = AddressProbe;
    while (probe < RelaysPerBoard && Skipped(board * RelaysPerBoard + probe))
        ++probe;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        Progress.relay = relay;
        ShowPlace(relay);
        if (Stopping())
            return false;
        if (Skipped(relay)) {
            RecordLine("Relay %d skipped: %s\n", relay, (*Skips)[static_cast<std::size_t>(relay)].c_str());
            continue;
        }
        Push(relay, true);
        if (Stopping())
            return false;
        ReadBoard(board);
        RestoreImage(board, c);
        if (c == probe && !ReadOtherBoards(boards, board))
            return false;
        if (Stopping())
            return false;
        Push(relay, false);
    }
    return true;
}

// The last switch of each board opened its last relay: one more read-back of
// every board confirms that the sweep leaves nothing closed.
bool ConfirmAllOpen(BoardSet boards)
{
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(boards, board))
            continue;
        Progress.board = board;
        if (Stopping())
            return false;
        if (!ConfirmOpen(board))
            Progress.notOpen = static_cast<BoardSet>(Progress.notOpen | (1u << board));
    }
    return true;
}

}  // namespace

SweepEnd RunSweep(BoardSet boards) { return RunSweep(boards, SweepSkips{}); }

SweepEnd RunSweep(BoardSet boards, const SweepSkips& skips)
{
    Skips = skips.empty() ? nullptr : &skips;
    Progress = SweepEnd{};
    RelaysDone = 0;
    RelaysInAll = BoardsIn(boards) * RelaysPerBoard;
    // Every board of the set starts open, so that each read-back has a push
    // of its own board to be compared with.
    bool running = true;
    for (BoardIndex board = 0; board < BoardCount && running; ++board) {
        if (!InSet(boards, board))
            continue;
        Progress.board = board;
        running = !Stopping();
        if (running)
            Push(board * RelaysPerBoard, false);
    }
    for (BoardIndex board = 0; board < BoardCount && running; ++board) {
        Progress.board = board;
        if (InSet(boards, board))
            running = SweepBoard(boards, board);
    }
    if (running) {
        Progress.relay = -1;
        Progress.confirming = true;
        running = ConfirmAllOpen(boards);
    }
    // A stop leaves a relay closed, or a board half-way: every board pushed
    // so far is pushed open and read back.
    if (!running)
        Progress.notOpen = OpenBoards(Progress.pushed);
    Skips = nullptr;
    return Progress;
}
