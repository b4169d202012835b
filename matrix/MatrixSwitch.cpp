#include "MatrixSwitch.h"

#include <cstdint>
#include <cstring>

#include "CtlCommand.h"
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
        if (!relays.test(static_cast<std::size_t>(board * RelaysPerBoard + c)))
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

RelayBits HeldClosed(BoardSet boards)
{
    RelayBits closed;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c)
            closed.set(static_cast<std::size_t>(board * RelaysPerBoard + c), ImageHolds(board, c));
    }
    return closed;
}

BoardSet ListedBoards(const Wiring& wiring)
{
    BoardSet boards = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board)
        boards = static_cast<BoardSet>(boards | (wiring.listed[static_cast<std::size_t>(board)] ? 1u << board : 0u));
    return boards;
}

// relayctl's per-board limit over what the boards read back.
bool OverLimit(BoardSet boards, const RelaySet& asked, int limit, std::string& error)
{
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        int closing = 0;
        int closed = 0;
        for (int c = 0; InSet(boards, board) && c < RelaysPerBoard; ++c) {
            const bool named = asked.test(static_cast<std::size_t>(board * RelaysPerBoard + c));
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

// The station's rules against the close, over what the boards read back.
bool RulesRefuse(BoardSet readBack, const RelaySet& asked, std::string& error)
{
    const RelayBits closed = HeldClosed(readBack);
    std::string refusal;
    if (!StateKeepsRules(SessionWiring(), closed, SessionLimit(), refusal)) {
        RecordLine("Rules broken: %s\n", refusal.c_str());
        RecordLine("Command refused: the boards already break a rule\n");
        error = "the boards already break a rule (" + refusal + "): only opening is allowed; nothing switched";
        return true;
    }
    RelayBits request;
    for (std::size_t r = 0; r < asked.size(); ++r)
        request.set(r, asked.test(r));
    if (CheckClose(SessionWiring(), closed, request, SessionLimit(), refusal))
        return false;
    RecordLine("Command refused: %s\n", refusal.c_str());
    error = "refused: " + refusal + ": nothing switched";
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

bool ReadRelays(const Wiring& wiring, const char* text, bool allowAll, RelaySet& relays, std::string& error)
{
    if (text == nullptr) {
        error = "no relays named";
        return false;
    }
    RelaySet read;
    const std::string whole(text);
    std::size_t start = 0;
    while (start <= whole.size()) {
        const std::size_t comma = whole.find(',', start);
        const std::string item = Trimmed(whole.substr(start, comma == std::string::npos ? comma : comma - start));
        start = comma == std::string::npos ? whole.size() + 1 : comma + 1;
        int relay = 0;
        std::string itemError;
        if (allowAll && item == "all") {
            read.set();
        } else if (ReadCrosspoint(wiring, item, relay, itemError)) {
            read.set(static_cast<std::size_t>(relay));
        } else if (item.find('@') != std::string::npos || item.find('-') == std::string::npos ||
                   !ParseRelayList(item.c_str(), read, itemError)) {
            error = item.empty() ? Quoted(whole) + ": an empty item in the list" : itemError;
            return false;
        }
    }
    relays = read;
    return true;
}

int SwitchRelays(const RelaySet& relays, bool on, std::string& error)
{
    CtlCommand command;
    command.action = on ? CtlAction::Close : CtlAction::Open;
    command.relays = relays;
    if (on && !WithinLimit(command, SessionLimit(), error))
        return RELAYMATRIX_REFUSED;
    const BoardSet boards = BoardsOf(relays);
    const BoardSet ruleBoards = on && SessionWired() ? ListedBoards(SessionWiring()) : 0;
    BoardSet allOnes = 0;
    if (!ReadBoards(static_cast<BoardSet>(boards | ruleBoards), allOnes))
        return Stopped;
    const BoardSet refused = RefuseAllOnes(static_cast<BoardSet>(allOnes & boards), relays, on, error);
    if (on && refused != 0)
        return RELAYMATRIX_NOT_AS_ASKED;
    if (on && OverLimit(boards, relays, SessionLimit(), error))
        return RELAYMATRIX_REFUSED;
    if (on && SessionWired() && RulesRefuse(static_cast<BoardSet>(boards | ruleBoards), relays, error))
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
            closed.set(static_cast<std::size_t>(board * RelaysPerBoard + c), ImageHolds(board, c));
        if (InSet(allOnes, board) && error.empty())
            error = "board " + std::to_string(board) +
                    " reads back all ones: every relay closed, or the board not fitted or not answering";
    }
    return error.empty() ? RELAYMATRIX_OK : RELAYMATRIX_NOT_AS_ASKED;
}
