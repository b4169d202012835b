#include "CtlCommand.h"

#include <cstring>

#include "RelayNames.h"
#include "Routes.h"
#include "StationWiring.h"

namespace {

struct RouteWord {
    const char* name;
    CtlAction action;
    int least, most;  // words after the command
};
constexpr RouteWord RouteWords[] = {
    {"connect", CtlAction::Connect, 1, 2}, {"disconnect", CtlAction::Disconnect, 1, 2},
    {"route", CtlAction::Route, 1, 2},     {"routes", CtlAction::Routes, 0, 0},
    {"switch", CtlAction::Switch, 1, 64},
};

// connect A B, connect ROUTE, ..., switch GROUP|ROUTE...: names by the wiring.
bool ParseRouteCommand(const RouteWord& word, int count, const char* const* words, CtlCommand& command,
                       std::string& error)
{
    command.action = word.action;
    const std::string usage = std::string(word.name) + (word.action == CtlAction::Switch ? " GROUP|ROUTE..."
                                                        : word.most > 0                  ? " A B, or " + std::string(word.name) + " ROUTE"
                                                                                          : "");
    if (!StationHasWiring()) {
        error = std::string(word.name) + " needs a wiring file: give --wiring FILE or set RELAYTEST_WIRING";
        return false;
    }
    if (count - 1 < word.least || count - 1 > word.most) {
        error = "write " + usage;
        return false;
    }
    if (word.action == CtlAction::Switch) {
        for (int i = 1; i < count; ++i) {
            if (!NamedRoutes(StationWiring(), words[i], command.ends)) {
                error = "switch " + Quoted(words[i], std::strlen(words[i])) + ": names no group or route of the wiring";
                return false;
            }
        }
        return true;
    }
    int from = 0;
    int to = 0;
    if (word.action != CtlAction::Routes &&
        !ReadRouteEnds(StationWiring(), words[1], count > 2 ? words[2] : "", from, to, error)) {
        error = std::string(word.name) + " " + error;
        return false;
    }
    command.ends.emplace_back(from, to);
    return true;
}

}  // namespace

bool ParseCommand(int count, const char* const* words, CtlCommand& command, std::string& error)
{
    command = CtlCommand{};
    error.clear();
    const char* name = count > 0 ? words[0] : "";
    for (const RouteWord& word : RouteWords) {
        if (std::strcmp(name, word.name) == 0)
            return ParseRouteCommand(word, count, words, command, error);
    }
    const bool show = std::strcmp(name, "show") == 0;
    const bool open = std::strcmp(name, "open") == 0;
    if (!show && !open && std::strcmp(name, "close") != 0) {
        error = "unknown command " + Quoted(name, std::strlen(name));
        return false;
    }
    command.action = show ? CtlAction::Show : open ? CtlAction::Open : CtlAction::Close;
    for (int i = 1; i < count; ++i) {
        const char* word = words[i];
        bool ok = true;
        if (std::strcmp(word, "all") == 0) {
            // Closing every relay joins every row to every column at once.
            if (show)
                command.boards = AllBoards;
            else if (open)
                command.relays.set();
            else
                error = "close all is refused: name the relays to close";
            ok = show || open;
        } else if (show) {
            BoardSet boards = 0;
            ok = ParseBoardList(word, boards, error);
            command.boards = static_cast<BoardSet>(command.boards | boards);
        } else {
            ok = ReadRelayNames(RelayNaming{StationWiring(), StationHasWiring(), false}, word, command.relays, error);
        }
        if (!ok) {
            // The word in front, once: a mistake that already quotes it whole is not told twice.
            const std::string quoted = Quoted(word, std::strlen(word));
            if (std::strcmp(word, "all") != 0) {
                std::string said = std::string(name).append(" ");
                if (error.rfind(quoted, 0) != 0)
                    said.append(quoted).append(": ");
                error = said.append(error);
            }
            return false;
        }
    }
    if (show && command.boards == 0)
        command.boards = AllBoards;
    if (!show && command.relays.none()) {
        error = std::string(name) + " needs at least one relay, such as " + name + " 100, 100-107 or 0:4:12" +
                (open ? ", or all" : "");
        return false;
    }
    return true;
}

bool WithinLimit(const CtlCommand& command, int maxClosed, std::string& error)
{
    if (command.action != CtlAction::Close || RequestWithinLimit(StationWiring(), command.relays, maxClosed, error))
        return true;
    error += ": nothing switched";
    return false;
}
