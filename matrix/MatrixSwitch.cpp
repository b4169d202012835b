#include "MatrixSwitch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "CtlCommand.h"
#include "CtlRules.h"
#include "MatrixSession.h"
#include "Record.h"
#include "StopCause.h"
#include "relaymatrix.h"

namespace {

// The work saw MustStop: the caller stops the session (StopIfDue).
constexpr int Stopped = -1;

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

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Each board of the set read back; allOnes gets those that read back all ones.
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

RelaySet HeldClosed(BoardSet boards)
{
    RelaySet closed;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c)
            closed.set(RelayBit(board, c), ImageHolds(board, c));
    }
    return closed;
}

// relayctl's per-board limit over what the boards read back.
bool OverLimit(BoardSet boards, const RelaySet& asked, int limit, std::string& error)
{
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        int closing = 0;
        int closed = 0;
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c) {
            const bool named = asked.test(RelayBit(board, c));
            closing += named ? 1 : 0;
            closed += named || ImageHolds(board, c) ? 1 : 0;
        }
        if (closed <= limit)
            continue;
        const char* plural = closing == 1 ? "" : "s";
        RecordLine("Board %d refused: closing %d relay%s would leave %d closed, above the limit of %d\n", board,
                   closing, plural, closed, limit);
        error = "board " + std::to_string(board) + " refused: closing " + std::to_string(closing) + " relay" + plural +
                " would leave " + std::to_string(closed) + " closed, above the limit of " + std::to_string(limit) +
                ": nothing switched";
        return true;
    }
    return false;
}

// The station's rules against the close, over what the boards read back
// (relayctl's CheckCloseRules): the refusal in the record as relayctl puts it.
bool RulesRefuse(BoardSet read, const RelaySet& asked, std::string& error)
{
    std::string refusal;
    std::string breach;
    switch (CheckCloseRules(SessionWiring(), HeldClosed(read), asked, SessionLimit(), refusal, breach)) {
    case CloseRule::Allowed: return false;
    case CloseRule::StateBroken:
        RecordLine("Rules broken: %s\n", breach.c_str());
        error = "the boards already break a rule (" + breach + "): only opening is allowed; nothing switched";
        break;
    case CloseRule::Refused: error = "refused: " + refusal + ": nothing switched"; break;
    }
    RecordLine("Command refused: %s\n", refusal.c_str());
    return true;
}

// Every relay of the board that does not read back as expected: the first in
// error; how many.
int CheckBoard(BoardIndex board, const std::uint32_t (&expected)[WordsPerBoard], const RelaySet& asked, bool on,
               std::string& error)
{
    int faults = 0;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const bool wanted = ((expected[c / 32] >> (c % 32)) & 1u) != 0;
        if (ImageHolds(board, c) == wanted)
            continue;
        const RelayNumber relay = board * RelaysPerBoard + c;
        if (faults++ > 0 || !error.empty())
            continue;
        const std::string name = RelayName(SessionWiring(), relay);
        const char* state = wanted ? "open" : "closed";
        error = asked.test(static_cast<std::size_t>(relay))
                    ? name + " did not " + (on ? "close" : "open") + ": it reads back " + state
                    : name + " reads back " + state + ", though it was not switched";
    }
    return faults;
}

// The board's asked relays switched where they are not as asked, then the
// board read back and checked; false once a stop is seen.
bool SwitchBoard(BoardIndex board, const RelaySet& asked, bool on, int& faults, std::string& error)
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
        NotePushed(board);
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
        NotePushed(board);
        SetRelay(relay, on);
        pushed = true;
    }
    if (pushed) {
        if (MustStop())
            return false;
        ReadBoard(board);
    }
    faults += CheckBoard(board, expected, asked, on, error);
    return true;
}

// Boards that read back all ones are never pushed (unless opened whole): in
// the record, and for a close the whole request is undone.
BoardSet RefuseAllOnes(BoardSet allOnes, const RelaySet& relays, bool on, std::string& error)
{
    BoardSet refused = allOnes;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!on && WholeBoard(board, relays))
            refused = static_cast<BoardSet>(refused & ~(1u << board));
        if (!InSet(refused, board))
            continue;
        RecordLine("Board %d refused: it reads back all ones (not fitted or not answering)\n", board);
        if (error.empty())
            error = "board " + std::to_string(board) + " reads back all ones (not fitted or not answering): " +
                    (on ? "nothing switched" : "not pushed");
    }
    return refused;
}

}  // namespace

bool ReadRelays(const Wiring& wiring, bool wired, const char* text, bool allowAll, RelaySet& relays, std::string& error)
{
    if (text == nullptr || Trimmed(text).empty()) {
        error = "no relays named";
        return false;
    }
    RelaySet read;
    if (allowAll && Trimmed(text) == "all") {
        relays.set();
        return true;
    }
    // Words separated by blanks, as relayctl's command line has them, each a list.
    const std::string whole(text);
    for (std::size_t start = whole.find_first_not_of(" \t"); start != std::string::npos;) {
        const std::size_t end = std::min(whole.find_first_of(" \t", start), whole.size());
        const std::string word = whole.substr(start, end - start);
        if (!ReadRelayWord(wiring, wired, word.c_str(), read, error)) {
            // The caller puts what was read in front, as relayctl's messages do.
            if (error.compare(0, 1, "\"") != 0)
                error = Quoted(word).append(": ").append(error);
            return false;
        }
        start = whole.find_first_not_of(" \t", end);
    }
    relays = read;
    return true;
}

bool RequestWithinLimit(const RelaySet& relays, bool on, std::string& error)
{
    CtlCommand command;
    command.action = on ? CtlAction::Close : CtlAction::Open;
    command.relays = relays;
    return !on || WithinLimit(SessionWiring(), command, SessionLimit(), error);
}

int SwitchRelays(const RelaySet& relays, bool on, std::string& error)
{
    const BoardSet boards = BoardsOf(relays);
    // A close is checked against every board the wiring's rules depend on.
    const bool rules = on && SessionWired();
    const BoardSet read = rules ? RuleBoards(SessionWiring(), relays) : boards;
    BoardSet allOnes = 0;
    if (!ReadBoards(read, allOnes))
        return Stopped;
    const BoardSet refused = RefuseAllOnes(allOnes, relays, on, error);
    if (on && refused != 0)
        return RELAYMATRIX_NOT_AS_ASKED;
    if (rules ? RulesRefuse(read, relays, error) : on && OverLimit(boards, relays, SessionLimit(), error))
        return RELAYMATRIX_REFUSED;
    int faults = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(boards, board) && !InSet(refused, board) && !SwitchBoard(board, relays, on, faults, error))
            return Stopped;
    }
    if (faults > 1)
        error += " (and " + std::to_string(faults - 1) + " more relays not as expected)";
    return error.empty() ? RELAYMATRIX_OK : RELAYMATRIX_NOT_AS_ASKED;
}

int ReadClosed(BoardSet boards, RelaySet& closed, std::string& error)
{
    BoardSet allOnes = 0;
    if (!ReadBoards(boards, allOnes))
        return Stopped;
    closed.reset();
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c)
            closed.set(RelayBit(board, c), ImageHolds(board, c));
        if (InSet(allOnes, board) && error.empty())
            error = "board " + std::to_string(board) +
                    " reads back all ones: every relay closed, or the board not fitted or not answering";
    }
    return error.empty() ? RELAYMATRIX_OK : RELAYMATRIX_NOT_AS_ASKED;
}
