#include "StationSwitch.h"

#include <cstdint>

#include "Record.h"
#include "StationWiring.h"
#include "RelayMatrix.h"
#include "StopCause.h"

namespace {

void Say(const SwitchPlace& place, SwitchSaid said, BoardIndex board, const std::string& line, int count = 0)
{
    place.say(SwitchNote{said, board, line, count}, place.context);
}

bool AllOnes(BoardIndex board)
{
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (RelayState[board][word] != ~0u)
            return false;
    }
    return true;
}

bool WholeBoard(BoardIndex board, const RelaySet& relays)
{
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (!relays.test(RelayBit(board, c)))
            return false;
    }
    return true;
}

// The wiring's rules against the close, once every board they depend on has
// been read back: a refusal in the record and said.
bool RefusedByRules(const SwitchPlace& place, BoardSet read, const RelaySet& asked)
{
    std::string refusal;
    std::string breach;
    switch (CheckCloseRules(place.wiring, HeldRelays(read), asked, place.maxClosed, refusal, breach)) {
    case CloseRule::Allowed: return false;
    case CloseRule::StateBroken:
        RecordLine("Rules broken: %s\n", breach.c_str());
        Say(place, SwitchSaid::RulesBroken, 0, breach);
        break;
    case CloseRule::Refused: break;
    }
    RecordLine("Command refused: %s\n", refusal.c_str());
    Say(place, SwitchSaid::RulesRefused, 0, refusal, breach.empty() ? 0 : 1);
    return true;
}

// Boards that read back all ones are never pushed, unless opened whole: in
// the record and said.
BoardSet RefuseAllOnes(const SwitchPlace& place, BoardSet allOnes, const RelaySet& relays, bool on)
{
    BoardSet refused = allOnes;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!on && WholeBoard(board, relays))
            refused = static_cast<BoardSet>(refused & ~(1u << board));
        if (!InSet(refused, board))
            continue;
        RecordLine("Board %d refused: it reads back all ones (not fitted or not answering)\n", board);
        Say(place, SwitchSaid::AllOnes, board,
            "board " + std::to_string(board) + " reads back all ones (not fitted or not answering): " +
                (on ? "nothing switched" : "not pushed"));
    }
    return refused;
}

// Every relay of the board that does not read back as expected, said; how
// many there were.
int CheckBoard(const SwitchPlace& place, BoardIndex board, const std::uint32_t (&expected)[WordsPerBoard],
               const RelaySet& asked, bool on)
{
    int faults = 0;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const bool wanted = ((expected[c / 32] >> (c % 32)) & 1u) != 0;
        if (ImageHolds(board, c) == wanted)
            continue;
        const RelayNumber relay = board * RelaysPerBoard + c;
        const std::string name = RelayName(place.wiring, relay);
        const char* state = wanted ? "open" : "closed";
        Say(place, SwitchSaid::NotAsExpected, board,
            asked.test(static_cast<std::size_t>(relay))
                ? name + " did not " + (on ? "close" : "open") + ": it reads back " + state
                : name + " reads back " + state + ", though it was not switched",
            faults++);
    }
    Say(place, SwitchSaid::BoardFaults, board, "", faults);
    return faults;
}

void NotePushed(const SwitchPlace& place, BoardIndex board)
{
    if (place.pushed != nullptr)
        place.pushed(board);
}

// The board's asked relays switched where they are not as asked, then the
// board read back and checked; false once a stop is seen.
bool SwitchBoard(const SwitchPlace& place, BoardIndex board, const RelaySet& asked, bool on, int& faults)
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
        NotePushed(place, board);
        SetRelay(board * RelaysPerBoard, false);
        for (auto& word : expected)
            word = 0;
        pushed = true;
    }
    RelayNumber first = -1;
    for (int c = 0; c < RelaysPerBoard && !wholeBoard; ++c) {
        const RelayNumber relay = board * RelaysPerBoard + c;
        if (!asked.test(static_cast<std::size_t>(relay)))
            continue;
        first = first < 0 ? relay : first;
        const std::uint32_t mask = 1u << (c % 32);
        expected[c / 32] = on ? expected[c / 32] | mask : expected[c / 32] & ~mask;
        if (ImageHolds(board, c) == on)
            continue;
        if (MustStop())
            return false;
        NotePushed(place, board);
        SetRelay(relay, on);
        pushed = true;
    }
    // Every relay named already reads open: the board is pushed all the same,
    // so that a bit still set in its drivers is cleared.
    if (!on && !pushed && first >= 0) {
        if (MustStop())
            return false;
        NotePushed(place, board);
        SetRelay(first, false);
        pushed = true;
    }
    // The read-back before the switches already shows a board left alone.
    if (pushed) {
        if (MustStop())
            return false;
        ReadBoard(board);
    }
    faults += CheckBoard(place, board, expected, asked, on);
    return true;
}

}  // namespace

SwitchEnd SwitchRelaySet(const SwitchPlace& place, const RelaySet& relays, bool on, BoardSet& refused, int& faults)
{
    refused = 0;
    faults = 0;
    const BoardSet boards = BoardsOf(relays);
    // A close is checked against every board the rules depend on.
    const BoardSet read = on ? RuleBoards(place.wiring, relays) : boards;
    BoardSet allOnes = 0;
    if (!ReadBoards(read, allOnes))
        return SwitchEnd::Stopped;
    refused = RefuseAllOnes(place, allOnes, relays, on);
    if (on && refused != 0)
        return SwitchEnd::AllOnes;
    if (on && RefusedByRules(place, read, relays))
        return SwitchEnd::Refused;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board) && !InSet(refused, board) && !SwitchBoard(place, board, relays, on, faults))
            return SwitchEnd::Stopped;
    }
    return SwitchEnd::Switched;
}

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

RelaySet HeldRelays(BoardSet boards)
{
    RelaySet held;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c)
            held.set(RelayBit(board, c), ImageHolds(board, c));
    }
    return held;
}

BoardSet RuleBoards(const Wiring& wiring, const RelaySet& request)
{
    return static_cast<BoardSet>(BoardsOf(request) | ListedBoards(wiring));
}

CloseRule CheckCloseRules(const Wiring& wiring, const RelaySet& held, const RelaySet& request, int maxClosed,
                          std::string& refusal, std::string& breach)
{
    refusal.clear();
    breach.clear();
    if (!StateKeepsRules(wiring, held, maxClosed, breach)) {
        refusal = "the boards already break a rule";
        return CloseRule::StateBroken;
    }
    return CheckClose(wiring, held, request, maxClosed, refusal) ? CloseRule::Allowed : CloseRule::Refused;
}

bool RequestWithinLimit(const Wiring& wiring, const RelaySet& request, int maxClosed, std::string& error)
{
    BoardOverLimit over;
    if (!OverBoardLimit(wiring, RelaySet{}, request, maxClosed, over))
        return true;
    error = OverLimitText(over);
    return false;
}
