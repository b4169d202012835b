#include "WiringReport.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "Routes.h"
#include "StationWiring.h"

namespace {

const std::string& Named(const Wiring& wiring, int net) { return wiring.netNames[static_cast<std::size_t>(net)]; }

std::string Padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

// Whether closing the relay with every other open joins an exclusive set.
bool JoinsAlone(const Wiring& wiring, int relay)
{
    Wiring nets = wiring;
    nets.forbidden.clear();
    RelayBits request;
    request.set(static_cast<std::size_t>(relay));
    std::string refusal;
    return !CheckClose(nets, RelayBits{}, request, WiringRows * WiringColumns, refusal);
}

// One board: a line of column numbers, a line of column names, then a line
// a row: X a forbidden crosspoint, = one whose row and column are one net
// (closing it joins nothing), . any other.
std::string BoardGrid(const Wiring& wiring, int board, const std::vector<bool>& forbidden)
{
    std::size_t cell = 3;
    std::size_t label = 0;
    for (int c = 0; c < WiringColumns; ++c)
        cell = std::max(cell, Named(wiring, ColumnNetOf(wiring, WiringRelayAt(board, 0, c))).size() + 1);
    for (int r = 0; r < WiringRows; ++r)
        label = std::max(label, Named(wiring, RowNetOf(wiring, WiringRelayAt(board, r, 0))).size());
    std::string numbers = Padded("", label + 9);
    std::string names = numbers;
    for (int c = 0; c < WiringColumns; ++c) {
        numbers += Padded(std::to_string(c), cell);
        names += Padded(Named(wiring, ColumnNetOf(wiring, WiringRelayAt(board, 0, c))), cell);
    }
    numbers.erase(numbers.find_last_not_of(' ') + 1);
    names.erase(names.find_last_not_of(' ') + 1);
    std::string text = "Board " + std::to_string(board) +
                       " (X forbidden, ! joins an exclusive set alone, = row and column one net, . any other)\n" +
                       numbers + "\n" + names + "\n";
    for (int r = 0; r < WiringRows; ++r) {
        const int first = WiringRelayAt(board, r, 0);
        std::string line = "  row " + std::to_string(r) + " " + Padded(Named(wiring, RowNetOf(wiring, first)), label + 1);
        for (int c = 0; c < WiringColumns; ++c) {
            const int relay = WiringRelayAt(board, r, c);
            const char* mark = forbidden[static_cast<std::size_t>(relay)]              ? "X"
                               : RowNetOf(wiring, relay) == ColumnNetOf(wiring, relay) ? "="
                               : JoinsAlone(wiring, relay)                             ? "!"
                                                                                       : ".";
            line += Padded(mark, cell);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

// Every named net wired to more than one row or column, with where.
std::string SharedNets(const Wiring& wiring)
{
    std::vector<std::vector<std::string>> places(wiring.netNames.size());
    for (int i = 0; i < WiringBoards * WiringRows; ++i)
        places[static_cast<std::size_t>(wiring.rowNet[static_cast<std::size_t>(i)])].push_back(
            "board " + std::to_string(i / WiringRows) + " row " + std::to_string(i % WiringRows));
    for (int i = 0; i < WiringBoards * WiringColumns; ++i)
        places[static_cast<std::size_t>(wiring.columnNet[static_cast<std::size_t>(i)])].push_back(
            "board " + std::to_string(i / WiringColumns) + " column " + std::to_string(i % WiringColumns));
    std::string text;
    for (std::size_t net = 0; net < places.size(); ++net) {
        if (places[net].size() < 2 || wiring.netNames[net].empty())
            continue;
        text += "  " + wiring.netNames[net] + ":";
        for (std::size_t i = 0; i < places[net].size(); ++i)
            text += (i == 0 ? " " : ", ") + places[net][i];
        text += "\n";
    }
    return text.empty() ? "  none\n" : text;
}

std::string Rules(const Wiring& wiring, int maxClosed)
{
    std::string text = "Exclusive sets (never joined, directly or through closed relays):\n";
    for (const WiringExclusive& e : wiring.exclusives) {
        text += "  line " + std::to_string(e.line) + ":";
        for (std::size_t i = 0; i < e.nets.size(); ++i)
            text += (i == 0 ? " " : ", ") + NetName(wiring, e.nets[i]);
        text += "\n";
    }
    text += wiring.exclusives.empty() ? "  none\n" : "";
    text += "Forbidden crosspoints (never closed):\n";
    for (const WiringForbidden& f : wiring.forbidden)
        text += "  line " + std::to_string(f.line) + ": \"" + f.spelled + "\" is " + RelayName(wiring, f.relay) + "\n";
    text += wiring.forbidden.empty() ? "  none\n" : "";
    std::string rule;
    const int limit = BoardLimit(wiring, maxClosed, rule);
    text += "Board limit: at most " + std::to_string(limit) + " relays of a board closed" +
            (rule.empty() ? " (the programs' own: the file sets none lower)" : rule) + "\n";
    return text;
}

// "2", "2 and 5", "2, 5 and 6".
std::string Spelled(const std::vector<int>& places)
{
    std::string text;
    for (std::size_t i = 0; i < places.size(); ++i)
        text += (i == 0 ? "" : i + 1 == places.size() ? " and " : ", ") + std::to_string(places[i]);
    return text;
}

// A name on two rows of one board (or two columns) wires them to one net:
// the wiring allows it (relays in parallel for more current), but it is
// almost always a name typed twice, and ROW@COLUMN then names two
// crosspoints.
std::string RepeatedNames(const Wiring& wiring)
{
    std::string text;
    for (int board = 0; board < WiringBoards; ++board) {
        for (const bool rows : {true, false}) {
            const int count = rows ? WiringRows : WiringColumns;
            auto netAt = [&](int i) {
                return rows ? RowNetOf(wiring, WiringRelayAt(board, i, 0)) : ColumnNetOf(wiring, WiringRelayAt(board, 0, i));
            };
            for (int i = 0; i < count; ++i) {
                std::vector<int> places;
                for (int j = 0; j < count; ++j) {
                    if (netAt(j) == netAt(i))
                        places.push_back(j);
                }
                if (places.size() < 2 || places[0] != i || Named(wiring, netAt(i)).empty())
                    continue;
                text += "warning: board " + std::to_string(board) + " has " + Named(wiring, netAt(i)) + " on " +
                        (rows ? "rows " : "columns ") + Spelled(places) + ": two " + (rows ? "rows" : "columns") +
                        " of one board on one net are almost always a name typed twice\n";
            }
        }
    }
    return text;
}

// "DMM_HI@ABUS1 (0:0:14), ABUS1@P20 (1:0:5)"
std::string PathNames(const Wiring& wiring, const std::vector<int>& relays)
{
    std::string text;
    for (const int relay : relays)
        text += (text.empty() ? "" : ", ") + PathCrosspointName(wiring, relay);
    return text;
}

// The buses, the routes with the path each takes from a card all open, and
// the groups; nothing when the file names none.
std::string RoutesSection(const Wiring& wiring, int maxClosed)
{
    std::string buses;
    for (std::size_t net = 0; net < wiring.bus.size(); ++net) {
        if (wiring.bus[net] != 0)
            buses += (buses.empty() ? "" : ", ") + wiring.netNames[net];
    }
    if (buses.empty() && wiring.routes.empty())
        return "";
    std::string text = "Buses (the only nets a route passes through): " + (buses.empty() ? "none" : buses) + "\n";
    text += "Settle: " + std::to_string(wiring.settleMs) + " ms after a switch, unless a route says otherwise\n";
    text += "Routes (the path each takes with every relay open):\n";
    for (const WiringRoute& named : wiring.routes) {
        Route route;
        std::string refusal;
        const bool found = FindRoute(wiring, RelayBits{}, named.from, named.to, maxClosed, route, refusal) ==
                           RouteFound::Found;
        text += "  line " + std::to_string(named.line) + ": " + RouteTitle(wiring, route) +
                (named.via.empty() ? " through " : " pinned through ") +
                (found ? PathNames(wiring, route.relays) : "nothing: " + refusal) + "; settle " +
                std::to_string(RouteSettleMs(wiring, named)) + " ms\n";
    }
    if (wiring.routes.empty())
        text += "  none\n";
    text += "Groups (routes switched together):\n";
    for (const WiringGroup& group : wiring.groups) {
        std::string routes;
        for (const int r : group.routes)
            routes += (routes.empty() ? "" : ", ") + wiring.routes[static_cast<std::size_t>(r)].name;
        text += "  line " + std::to_string(group.line) + ": " + group.name + ": " + routes + "\n";
    }
    return text + (wiring.groups.empty() ? "  none\n" : "");
}

}  // namespace

std::string RelaytestWarnings(const Wiring& wiring)
{
    std::string text;
    RelayBits closes;
    for (const int relay : RelaytestCloses) {
        closes.set(static_cast<std::size_t>(relay));
        for (const WiringForbidden& f : wiring.forbidden) {
            if (f.relay == relay)
                text += "warning: relaytest closes " + RelayName(wiring, relay) + ", which the file forbids (line " +
                        std::to_string(f.line) + ")\n";
        }
    }
    // The file's board limit, which relaytest's four relays of board 0 break
    // when it is lower.
    std::string rule;
    const int limit = BoardLimit(wiring, WiringRows * WiringColumns, rule);
    for (int board = 0; board < WiringBoards; ++board) {
        std::vector<int> held;
        for (const int relay : RelaytestCloses) {
            if (WiringBoardOf(relay) == board)
                held.push_back(relay);
        }
        if (static_cast<int>(held.size()) > limit)
            text += "warning: relaytest holds " + std::to_string(held.size()) + " relays of board " +
                    std::to_string(board) + " closed at once (" + Spelled(held) + "), above the limit of " +
                    std::to_string(limit) + rule + "\n";
    }
    // The nets alone: the forbidden crosspoints and the limit are warned of
    // above.
    Wiring nets = wiring;
    nets.forbidden.clear();
    nets.maxClosedPerBoard = 0;
    std::string breach;
    if (!StateKeepsRules(nets, closes, WiringRows * WiringColumns, breach))
        text += "warning: relaytest's closes (0, 8, 100, 105 on board 0; 129, 254 on board 1, all closed at once by "
                "its end) would join exclusive nets: " + breach + "\n";
    return text;
}

std::string WiringReport(const Wiring& wiring, int maxClosed)
{
    std::vector<bool> forbidden(WiringRelays, false);
    for (const WiringForbidden& f : wiring.forbidden)
        forbidden[static_cast<std::size_t>(f.relay)] = true;
    std::string text = "Wiring: " + WiringTitle(wiring) + "\n";
    bool any = false;
    for (int board = 0; board < WiringBoards; ++board) {
        if (!wiring.listed[static_cast<std::size_t>(board)])
            continue;
        text += "\n" + BoardGrid(wiring, board, forbidden);
        any = true;
    }
    text += any ? "\n" : "No board listed.\n";
    text += "Shared nets (one name on several rows or columns, wired together outside the matrix):\n" +
            SharedNets(wiring) + Rules(wiring, maxClosed) + RoutesSection(wiring, maxClosed);
    const std::string warnings = RelaytestWarnings(wiring);
    return text + RepeatedNames(wiring) + (warnings.empty() ? "relaytest's closes (0, 8, 100, 105, 129, 254) break none of its rules\n"
                                    : warnings);
}
