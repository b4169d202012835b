#include "Sweep.h"

#include <cstdint>
#include <cstdio>

#include "RelayMatrix.h"
#include "Progress.h"
#include "Record.h"
#include "StopCause.h"
#include "SweepRules.h"

namespace {

// The relay of each board that stays closed while the other boards are read
// back: a push that also lands on another board shows there as this relay.
// When the wiring skips it, the board's first relay swept takes its place.
constexpr int AddressProbe = 0;

// The wiring's rules (null: none), and what the sweep's own boards read back last.
const SweepWiring* Rules = nullptr;
RelaySet OwnHeld;

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

// The board read back, what it holds kept for the rules, and its image put
// back as the sweep means it (closed: the relay under test, or -1).
void ReadBack(BoardIndex board, int closed)
{
    ReadBoard(board);
    for (int c = 0; c < RelaysPerBoard; ++c)
        OwnHeld.set(RelayBit(board, c), ImageHolds(board, c));
    RestoreImage(board, closed);
}

bool ReadOtherBoards(BoardSet boards, BoardIndex tested)
{
    for (BoardIndex other = 0; other < BoardCount; ++other) {
        if (other == tested || !InSet(boards, other))
            continue;
        if (Stopping())
            return false;
        ReadBack(other, -1);
    }
    return true;
}

// Why the rules refuse the relay now: "" when they allow it, or without rules.
std::string SkipNow(RelayNumber relay)
{
    return Rules == nullptr ? "" : SkipReason(*Rules->wiring, Rules->outside | OwnHeld, relay);
}

// False once a stop has been seen: the relay under test may still be closed.
bool SweepBoard(BoardSet boards, BoardIndex board)
{
    bool probed = false;
    for (int c = AddressProbe; c < RelaysPerBoard; ++c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        Progress.relay = relay;
        ShowPlace(relay);
        if (Stopping())
            return false;
        const std::string skip = SkipNow(relay);
        if (!skip.empty()) {
            RecordLine("Relay %d skipped: %s\n", relay, skip.c_str());
            ++Progress.skipped;
            continue;
        }
        Push(relay, true);
        if (Stopping())
            return false;
        ReadBack(board, c);
        ++Progress.swept;
        // The board's first relay swept stays closed while the others are read.
        if (!probed && !ReadOtherBoards(boards, board))
            return false;
        probed = true;
        if (Stopping())
            return false;
        Push(relay, false);
        // Under a wiring the next close is checked against what the board
        // holds once this one is open again: a relay that stays closed counts.
        if (Rules != nullptr) {
            if (Stopping())
                return false;
            ReadBack(board, -1);
        }
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

SweepEnd RunSweep(BoardSet boards) { return RunSweep(boards, SweepWiring{}); }

SweepEnd RunSweep(BoardSet boards, const SweepWiring& rules)
{
    Rules = rules.wiring != nullptr ? &rules : nullptr;
    OwnHeld.reset();
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
        // Under a wiring, what each board holds once pushed open is known
        // before its first close: a relay stuck closed counts from the start.
        if (running && Rules != nullptr) {
            running = !Stopping();
            if (running)
                ReadBack(board, -1);
        }
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
    Rules = nullptr;
    return Progress;
}
