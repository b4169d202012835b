#include "Control.h"

#include <cstdio>

#include "StationSwitch.h"
#include "StationWiring.h"

namespace {

// A crosspoint list on standard error names at most this many relays.
constexpr int ListedRelays = 16;
// At most this many relays a board are named one by one as not as asked.
constexpr int NamedFaults = 8;

BoardSet Pushed = 0;

// "322 (3:2:4)", or "322 (3:2:4, I+@J5.5)" where the wiring names it.
std::string RelayLabel(const Wiring& wiring, int relay)
{
    std::string name = CrosspointName(wiring, relay);
    const std::size_t names = name.find(" (");
    if (names != std::string::npos) {
        const std::string inner = name.substr(names + 2, name.size() - names - 3);
        name.resize(names);
        name += ", ";
        name += inner;
    }
    return std::to_string(relay) + " (" + name + ")";
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

// What became of the switch, on standard error as relayctl says it.
void SayOnStderr(const SwitchNote& note, void* /*context*/)
{
    switch (note.said) {
    case SwitchSaid::AllOnes: (void)std::fprintf(stderr, "relayctl: %s\n", note.line.c_str()); break;
    case SwitchSaid::RulesBroken:
        (void)std::fprintf(stderr, "relayctl: the boards already break a rule: %s\n", note.line.c_str());
        break;
    case SwitchSaid::RulesRefused:
        if (note.count == 0)
            (void)std::fprintf(stderr, "relayctl: %s: nothing switched\n", note.line.c_str());
        else
            (void)std::fprintf(stderr, "relayctl: close refused: only opening is allowed until they keep the rules; "
                                       "nothing switched\n");
        break;
    case SwitchSaid::NotAsExpected:
        if (note.count < NamedFaults)
            (void)std::fprintf(stderr, "relayctl: %s\n", note.line.c_str());
        break;
    case SwitchSaid::BoardFaults:
        if (note.count > NamedFaults)
            (void)std::fprintf(stderr, "relayctl: board %d: %d more relays not as expected\n", note.board,
                               note.count - NamedFaults);
        break;
    }
}

void NotePushed(BoardIndex board) { Pushed = static_cast<BoardSet>(Pushed | (1u << board)); }

CtlOutcome Switch(const CtlCommand& command, int maxClosed)
{
    const bool on = command.action == CtlAction::Close;
    const SwitchPlace place = CtlPlace(maxClosed);
    BoardSet refused = 0;
    int faults = 0;
    switch (SwitchRelaySet(place, command.relays, on, refused, faults)) {
    case SwitchEnd::Switched: break;
    case SwitchEnd::AllOnes: return CtlOutcome::NotAsAsked;
    case SwitchEnd::Refused: return CtlOutcome::Refused;
    case SwitchEnd::Stopped: return CtlOutcome::Stopped;
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

SwitchPlace CtlPlace(int maxClosed) { return SwitchPlace{StationWiring(), maxClosed, SayOnStderr, nullptr, NotePushed}; }

CtlOutcome RunCommand(const CtlCommand& command, int maxClosed)
{
    if (command.action == CtlAction::Show)
        return Show(command.boards);
    if (command.action == CtlAction::Close || command.action == CtlAction::Open)
        return Switch(command, maxClosed);
    return RunRouteCommand(command, maxClosed, MakeBeforeBreak());
}

BoardSet PushedBoards() { return Pushed; }

void ForgetPushedBoards() { Pushed = 0; }
