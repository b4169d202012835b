#include "Control.h"

#include <cstdio>

#include "CtlRules.h"
#include "StationWiring.h"
#include "StopCause.h"
#include "TraceOutput.h"

namespace {

// A crosspoint list on standard error names at most this many relays.
constexpr int ListedRelays = 16;
// At most this many relays a board are named one by one as not as asked.
constexpr int NamedFaults = 8;

BoardSet Pushed = 0;

bool WholeBoard(BoardIndex board, const RelaySet& relays)
{
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (!relays.test(RelayBit(board, c)))
            return false;
    }
    return true;
}

// The closes that would leave more than maxClosed relays of a board closed,
// counting what it read back: refused in the record and on standard error.
bool OverLimit(BoardSet boards, const RelaySet& asked, int maxClosed)
{
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(boards, board))
            continue;
        int closing = 0;
        int closed = 0;
        for (int c = 0; c < RelaysPerBoard; ++c) {
            const bool named = asked.test(RelayBit(board, c));
            closing += named ? 1 : 0;
            closed += named || ImageHolds(board, c) ? 1 : 0;
        }
        if (closed <= maxClosed)
            continue;
        const char* plural = closing == 1 ? "" : "s";
        CheckTraceWrite(std::printf("Board %d refused: closing %d relay%s would leave %d closed, above the limit of %d\n",
                                    board, closing, plural, closed, maxClosed));
        EndTraceLine();
        (void)std::fprintf(stderr,
                           "relayctl: board %d refused: closing %d relay%s would leave %d closed, above the limit of "
                           "%d (--max-closed): nothing switched\n",
                           board, closing, plural, closed, maxClosed);
        return true;
    }
    return false;
}

// What the boards read back, as one set of relays.
RelaySet HeldRelays(BoardSet boards)
{
    RelaySet held;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; c < RelaysPerBoard && InSet(boards, board); ++c)
            held.set(RelayBit(board, c), ImageHolds(board, c));
    }
    return held;
}

// The wiring's rules against the close, once every board they depend on has
// been read back: a refusal in the record and on standard error.
bool RefusedByRules(BoardSet read, const RelaySet& asked, int maxClosed)
{
    std::string refusal;
    std::string breach;
    switch (CheckCloseRules(StationWiring(), HeldRelays(read), asked, maxClosed, refusal, breach)) {
    case CloseRule::Allowed: return false;
    case CloseRule::StateBroken:
        CheckTraceWrite(std::printf("Rules broken: %s\n", breach.c_str()));
        EndTraceLine();
        (void)std::fprintf(stderr, "relayctl: the boards already break a rule: %s\n", breach.c_str());
        break;
    case CloseRule::Refused: break;
    }
    CheckTraceWrite(std::printf("Command refused: %s\n", refusal.c_str()));
    EndTraceLine();
    if (breach.empty())
        (void)std::fprintf(stderr, "relayctl: %s\n", refusal.c_str());
    else
        (void)std::fprintf(stderr, "relayctl: close refused: only opening is allowed until they keep the rules; "
                                   "nothing switched\n");
    return true;
}

bool AllOnes(BoardIndex board)
{
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (RelayState[board][word] != ~0u)
            return false;
    }
    return true;
}

// ": 5 (0:5:0), 100 (0:4:12)", the relays of the set in order, then the line end.
void PrintRelayList(const RelaySet& relays)
{
    int listed = 0;
    for (std::size_t r = 0; r < relays.size(); ++r) {
        if (!relays.test(r))
            continue;
        const auto relay = static_cast<RelayNumber>(r);
        if (listed++ == ListedRelays) {
            (void)std::fprintf(stderr, ", and %d more", static_cast<int>(relays.count()) - ListedRelays);
            break;
        }
        (void)std::fprintf(stderr, "%s%s", listed == 1 ? ": " : ", ", RelayLabel(StationWiring(), relay).c_str());
    }
    (void)std::fputc('\n', stderr);
}

void Refuse(BoardIndex board, bool close)
{
    CheckTraceWrite(std::printf("Board %d refused: it reads back all ones (not fitted or not answering)\n", board));
    EndTraceLine();
    (void)std::fprintf(stderr, "relayctl: board %d reads back all ones (not fitted or not answering): %s\n", board,
                       close ? "nothing switched" : "not pushed");
}

// Every relay of the board that does not read back as expected, named; how
// many there were.
int CheckBoard(BoardIndex board, const std::uint32_t (&expected)[WordsPerBoard], const RelaySet& asked, bool on)
{
    int faults = 0;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const bool wanted = ((expected[c / 32] >> (c % 32)) & 1u) != 0;
        if (ImageHolds(board, c) == wanted)
            continue;
        const RelayNumber relay = board * RelaysPerBoard + c;
        if (faults++ >= NamedFaults)
            continue;
        const char* state = wanted ? "open" : "closed";
        const std::string name = RelayName(StationWiring(), relay);
        if (asked.test(static_cast<std::size_t>(relay)))
            (void)std::fprintf(stderr, "relayctl: %s did not %s: it reads back %s\n", name.c_str(),
                               on ? "close" : "open", state);
        else
            (void)std::fprintf(stderr, "relayctl: %s reads back %s, though it was not switched\n", name.c_str(), state);
    }
    if (faults > NamedFaults)
        (void)std::fprintf(stderr, "relayctl: board %d: %d more relays not as expected\n", board, faults - NamedFaults);
    return faults;
}

// The board's asked relays switched where they are not as asked, then the
// board read back; false once a stop is seen.
bool SwitchBoard(BoardIndex board, const RelaySet& asked, bool on, int& faults)
{
    std::uint32_t expected[WordsPerBoard];
    for (int word = 0; word < WordsPerBoard; ++word)
        expected[word] = RelayState[board][word];
    bool pushed = false;
    const bool wholeBoard = !on && WholeBoard(board, asked);
    if (wholeBoard) {
        // Whatever it read back, even all ones: a push of zeros closes nothing.
        const std::uint32_t open[WordsPerBoard] = {};
        PutBoardImage(board, open);
        if (MustStop())
            return false;
        Pushed = static_cast<BoardSet>(Pushed | (1u << board));
        SetRelay(board * RelaysPerBoard, false);
        for (auto& word : expected)
            word = 0;
        pushed = true;
    }
    for (int c = 0; c < RelaysPerBoard && !wholeBoard; ++c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        if (!asked.test(static_cast<std::size_t>(relay)))
            continue;
        const std::uint32_t mask = 1u << (c % 32);
        expected[c / 32] = on ? expected[c / 32] | mask : expected[c / 32] & ~mask;
        if (ImageHolds(board, c) == on)
            continue;
        if (MustStop())
            return false;
        Pushed = static_cast<BoardSet>(Pushed | (1u << board));
        SetRelay(relay, on);
        pushed = true;
    }
    // The read-back before the switches already shows a board left alone.
    if (pushed) {
        if (MustStop())
            return false;
        ReadBoard(board);
    }
    faults += CheckBoard(board, expected, asked, on);
    return true;
}

// Each board of the set read back; allOnes gets those that read back all
// ones. False once a stop is seen.
bool ReadBoards(BoardSet boards, BoardSet& allOnes)
{
    allOnes = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(boards, board))
            continue;
        if (MustStop())
            return false;
        ReadBoard(board);
        if (AllOnes(board))
            allOnes = static_cast<BoardSet>(allOnes | (1u << board));
    }
    return true;
}

CtlOutcome Switch(const CtlCommand& command, int maxClosed)
{
    const bool on = command.action == CtlAction::Close;
    const BoardSet boards = BoardsOf(command.relays);
    // A close is checked against every board the wiring's rules depend on.
    const bool rules = on && StationHasWiring();
    const BoardSet read = rules ? RuleBoards(StationWiring(), command.relays) : boards;
    BoardSet refused = 0;
    if (!ReadBoards(read, refused))
        return CtlOutcome::Stopped;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!on && WholeBoard(board, command.relays))
            refused = static_cast<BoardSet>(refused & ~(1u << board));
        if (InSet(refused, board))
            Refuse(board, on);
    }
    if (on && refused != 0)
        return CtlOutcome::NotAsAsked;
    if (rules ? RefusedByRules(read, command.relays, maxClosed) : on && OverLimit(boards, command.relays, maxClosed))
        return CtlOutcome::Refused;
    int faults = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board) && !InSet(refused, board) && !SwitchBoard(board, command.relays, on, faults))
            return CtlOutcome::Stopped;
    }
    int good = 0;
    for (std::size_t r = 0; r < command.relays.size(); ++r) {
        const auto board = static_cast<BoardIndex>(r / RelaysPerBoard);
        const auto c = static_cast<int>(r % RelaysPerBoard);
        good += command.relays.test(r) && !InSet(refused, board) && ImageHolds(board, c) == on ? 1 : 0;
    }
    const char* state = on ? "closed" : "open";
    const auto asked = static_cast<int>(command.relays.count());
    if (good < asked) {
        (void)std::fprintf(stderr, "relayctl: only %d of %d relays %s as asked\n", good, asked, state);
        return CtlOutcome::NotAsAsked;
    }
    (void)std::fprintf(stderr, "relayctl: %d relay%s %s as asked", asked, asked == 1 ? "" : "s", state);
    if (faults > 0) {
        (void)std::fprintf(stderr, ", but %d other%s changed\n", faults, faults == 1 ? "" : "s");
        return CtlOutcome::NotAsAsked;
    }
    if (asked <= ListedRelays)
        PrintRelayList(command.relays);
    else
        (void)std::fputc('\n', stderr);
    return CtlOutcome::AsAsked;
}

// What each board reads back, on standard error as well as in the record.
CtlOutcome Show(BoardSet boards)
{
    BoardSet allOnes = 0;
    if (!ReadBoards(boards, allOnes))
        return CtlOutcome::Stopped;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(boards, board))
            continue;
        if (InSet(allOnes, board)) {
            (void)std::fprintf(stderr, "relayctl: board %d reads back all ones: every relay closed, or the board "
                                       "not fitted or not answering\n", board);
            continue;
        }
        RelaySet closed;
        const auto first = static_cast<std::size_t>(board) * RelaysPerBoard;
        for (int c = 0; c < RelaysPerBoard; ++c)
            closed.set(first + static_cast<std::size_t>(c), ImageHolds(board, c));
        const auto count = static_cast<int>(closed.count());
        if (count == 0)
            (void)std::fprintf(stderr, "relayctl: board %d: every relay open\n", board);
        else {
            (void)std::fprintf(stderr, "relayctl: board %d: %d relay%s closed", board, count, count == 1 ? "" : "s");
            PrintRelayList(closed);
        }
    }
    return CtlOutcome::AsAsked;
}

}  // namespace

CtlOutcome RunCommand(const CtlCommand& command, int maxClosed)
{
    if (command.action == CtlAction::Show)
        return Show(command.boards);
    return Switch(command, maxClosed);
}

BoardSet PushedBoards() { return Pushed; }

void ForgetPushedBoards() { Pushed = 0; }
