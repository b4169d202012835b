#include "MatrixSwitch.h"

#include <algorithm>

#include "BoardSwitch.h"
#include "CtlCommand.h"
#include "CtlRules.h"
#include "MatrixSession.h"
#include "relaymatrix.h"

namespace {

// The work saw MustStop: the caller stops the session (StopIfDue).
constexpr int Stopped = -1;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The error text of the switch under way: its first line.
std::string* ErrorText = nullptr;

// What became of the switch, as the library's status text says it.
void KeepFirstLine(const SwitchNote& note)
{
    std::string& error = *ErrorText;
    switch (note.said) {
    case SwitchSaid::AllOnes:
    case SwitchSaid::NotAsExpected:
        if (error.empty())
            error = note.line;
        break;
    case SwitchSaid::OverLimit: error = note.line + ": nothing switched"; break;
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
    const SwitchPlace place{SessionWiring(), SessionWired(), SessionLimit(), KeepFirstLine, NotePushed};
    BoardSet refused = 0;
    int faults = 0;
    ErrorText = &error;
    const SwitchEnd end = SwitchRelaySet(place, relays, on, refused, faults);
    ErrorText = nullptr;
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
