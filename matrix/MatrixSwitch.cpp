#include "MatrixSwitch.h"

#include <algorithm>

#include "MatrixSession.h"
#include "RelayNames.h"
#include "StationSwitch.h"
#include "relaymatrix.h"

namespace {

// The work saw MustStop: the caller stops the session (StopIfDue).
constexpr int Stopped = -1;

// What became of the switch, as the library's status text says it.
// context: the error text of the switch under way, which keeps its first line.
void KeepFirstLine(const SwitchNote& note, void* context)
{
    std::string& error = *static_cast<std::string*>(context);
    switch (note.said) {
    case SwitchSaid::AllOnes:
    case SwitchSaid::NotAsExpected:
        if (error.empty())
            error = note.line;
        break;
    case SwitchSaid::RulesBroken:
        error = "the boards already break a rule (" + note.line + "): only opening is allowed; nothing switched";
        break;
    case SwitchSaid::RulesRefused:
        if (note.count == 0)
            error = "refused: " + note.line + ": nothing switched";
        break;
    case SwitchSaid::BoardFaults: break;
    }
}

}  // namespace

bool ReadRelays(const char* text, bool allowAll, RelaySet& relays, std::string& error)
{
    if (text == nullptr) {
        error = "no relays named";
        return false;
    }
    return ReadRelayNames(RelayNaming{SessionWiring(), SessionWired(), allowAll}, text, relays, error) ||
           NameInError(text, error);
}

bool NameInError(const char* text, std::string& error)
{
    // The grammar names a range or a place without quoting it ("row 9 is
    // outside 0-7"); a caller of the library is told what it passed.
    if (error.compare(0, 1, "\"") != 0)
        error = Quoted(text).append(": ").append(error);
    return false;
}

SwitchPlace SessionPlace(std::string& error) { return SwitchPlace{SessionWiring(), SessionLimit(), KeepFirstLine, &error, NotePushed}; }

int SwitchRelays(const RelaySet& relays, bool on, std::string& error)
{
    const SwitchPlace place = SessionPlace(error);
    BoardSet refused = 0;
    int faults = 0;
    const SwitchEnd end = SwitchRelaySet(place, relays, on, refused, faults);
    switch (end) {
    case SwitchEnd::Switched: break;
    case SwitchEnd::AllOnes: return RELAYMATRIX_NOT_AS_ASKED;
    case SwitchEnd::Refused: return RELAYMATRIX_REFUSED;
    case SwitchEnd::Stopped: return Stopped;
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
    closed = HeldRelays(boards);
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (InSet(allOnes, board) && error.empty())
            error = "board " + std::to_string(board) +
                    " reads back all ones: every relay closed, or the board not fitted or not answering";
    }
    return error.empty() ? RELAYMATRIX_OK : RELAYMATRIX_NOT_AS_ASKED;
}
