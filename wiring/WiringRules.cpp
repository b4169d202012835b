// The station's rules against what the boards hold and what a close would
// add: forbidden crosspoints, nets never to be joined, and how many relays a
// board may hold closed.
//
// Nets are the nodes of a graph whose edges are the closed relays, each
// joining its row's net to its column's net; boards that share a net's name
// are joined through it. Two nets are joined when a path of closed relays
// runs between them.
#include <algorithm>
#include <cstddef>

#include "Wiring.h"

namespace {

struct Graph {
    std::vector<int> parent;                    // union-find over nets
    std::vector<std::vector<std::pair<int, int>>> edges;  // by net: (other net, relay)
};

int Root(Graph& g, int net)
{
    while (g.parent[static_cast<std::size_t>(net)] != net)
        net = g.parent[static_cast<std::size_t>(net)] = g.parent[static_cast<std::size_t>(g.parent[static_cast<std::size_t>(net)])];
    return net;
}

Graph MakeGraph(const Wiring& wiring)
{
    Graph g;
    g.parent.resize(wiring.netNames.size());
    for (std::size_t i = 0; i < g.parent.size(); ++i)
        g.parent[i] = static_cast<int>(i);
    g.edges.resize(wiring.netNames.size());
    return g;
}

void Join(const Wiring& wiring, Graph& g, int relay)
{
    const int row = RowNetOf(wiring, relay);
    const int column = ColumnNetOf(wiring, relay);
    if (row == column)
        return;
    g.edges[static_cast<std::size_t>(row)].emplace_back(column, relay);
    g.edges[static_cast<std::size_t>(column)].emplace_back(row, relay);
    g.parent[static_cast<std::size_t>(Root(g, row))] = Root(g, column);
}

// The nets joined by the closed relays.
Graph GraphOf(const Wiring& wiring, const RelayBits& closed)
{
    Graph g = MakeGraph(wiring);
    for (std::size_t r = 0; r < closed.size(); ++r) {
        if (closed.test(r))
            Join(wiring, g, static_cast<int>(r));
    }
    return g;
}

// The relays of a path from one net to another, breadth first: the fewest.
std::vector<int> PathBetween(const Graph& g, int from, int to)
{
    std::vector<std::pair<int, int>> came(g.edges.size(), {-1, -1});  // (previous net, relay)
    std::vector<int> queue{from};
    came[static_cast<std::size_t>(from)] = {from, -1};
    for (std::size_t i = 0; i < queue.size() && came[static_cast<std::size_t>(to)].first < 0; ++i) {
        for (const auto& [next, relay] : g.edges[static_cast<std::size_t>(queue[i])]) {
            if (came[static_cast<std::size_t>(next)].first >= 0)
                continue;
            came[static_cast<std::size_t>(next)] = {queue[i], relay};
            queue.push_back(next);
        }
    }
    std::vector<int> path;
    for (int net = to; net != from && came[static_cast<std::size_t>(net)].first >= 0;
         net = came[static_cast<std::size_t>(net)].first)
        path.push_back(came[static_cast<std::size_t>(net)].second);
    std::reverse(path.begin(), path.end());
    return path;
}

std::string Rule(const Wiring& wiring, const char* kind, int line)
{
    return std::string(" (") + kind + ", " + wiring.shown + " line " + std::to_string(line) + ")";
}

// "A (3:2:4) is closed", "A (..), B (..) and C (..) are closed".
std::string ClosedList(const Wiring& wiring, const std::vector<int>& relays)
{
    std::string text;
    for (std::size_t i = 0; i < relays.size(); ++i) {
        text += i == 0 ? "" : i + 1 == relays.size() ? " and " : ", ";
        text += PathCrosspointName(wiring, relays[i]);
    }
    return text + (relays.size() == 1 ? " is closed" : " are closed");
}

// Two nets of one exclusive set, in the set's order, one in the component of
// a and the other in b's; rowSide says whether the first is on a's side.
bool ExclusivePair(const Wiring& wiring, Graph& g, int a, int b, const WiringExclusive*& rule, int& first,
                   int& second, bool& rowSide)
{
    for (const WiringExclusive& e : wiring.exclusives) {
        for (std::size_t i = 0; i < e.nets.size(); ++i) {
            for (std::size_t j = i + 1; j < e.nets.size(); ++j) {
                const int x = Root(g, e.nets[i]);
                const int y = Root(g, e.nets[j]);
                rowSide = x == Root(g, a) && y == Root(g, b);
                if (rowSide || (x == Root(g, b) && y == Root(g, a))) {
                    rule = &e;
                    first = e.nets[i];
                    second = e.nets[j];
                    return true;
                }
            }
        }
    }
    return false;
}

int ClosedOnBoard(const RelayBits& relays, int board)
{
    int count = 0;
    for (int c = 0; c < 128; ++c)
        count += relays.test(static_cast<std::size_t>(board) * 128 + static_cast<std::size_t>(c)) ? 1 : 0;
    return count;
}

// The first forbidden crosspoint among the relays, or none.
const WiringForbidden* Forbidden(const Wiring& wiring, const RelayBits& relays)
{
    for (const WiringForbidden& f : wiring.forbidden) {
        if (relays.test(static_cast<std::size_t>(f.relay)))
            return &f;
    }
    return nullptr;
}

}  // namespace

int BoardLimit(const Wiring& wiring, int limit, std::string& rule)
{
    rule.clear();
    if (wiring.maxClosedPerBoard > 0 && wiring.maxClosedPerBoard <= limit) {
        rule = Rule(wiring, "max-closed-per-board", wiring.maxClosedLine);
        return wiring.maxClosedPerBoard;
    }
    return limit;
}

bool OverBoardLimit(const Wiring& wiring, const RelayBits& closed, const RelayBits& request, int limit,
                    BoardOverLimit& over)
{
    over.limit = BoardLimit(wiring, limit, over.rule);
    const RelayBits adding = request & ~closed;
    for (int board = 0; board < WiringBoards; ++board) {
        over.board = board;
        over.adding = ClosedOnBoard(adding, board);
        over.total = ClosedOnBoard(closed | request, board);
        if ((over.adding > 0 || request.none()) && over.total > over.limit)
            return true;
    }
    over.board = -1;
    return false;
}

std::string OverLimitText(const BoardOverLimit& over)
{
    if (over.adding == 0)
        return "board " + std::to_string(over.board) + " holds " + std::to_string(over.total) +
               " relays closed, above the limit of " + std::to_string(over.limit) + over.rule;
    return "closing " + std::to_string(over.adding) + " relay" + (over.adding == 1 ? "" : "s") + " of board " +
           std::to_string(over.board) + " would leave " + std::to_string(over.total) + " closed, above the limit of " +
           std::to_string(over.limit) + over.rule;
}

bool CheckClose(const Wiring& wiring, const RelayBits& closed, const RelayBits& request, int limit,
                std::string& refusal)
{
    if (const WiringForbidden* f = Forbidden(wiring, request & ~closed)) {
        refusal = "closing " + CrosspointName(wiring, f->relay) + " is forbidden" + Rule(wiring, "forbidden", f->line);
        return false;
    }
    BoardOverLimit over;
    if (OverBoardLimit(wiring, closed, request, limit, over)) {
        refusal = OverLimitText(over);
        return false;
    }
    Graph g = GraphOf(wiring, closed);
    for (std::size_t r = 0; r < request.size(); ++r) {
        const int relay = static_cast<int>(r);
        if (!request.test(r) || closed.test(r))
            continue;
        const int row = RowNetOf(wiring, relay);
        const int column = ColumnNetOf(wiring, relay);
        const WiringExclusive* e = nullptr;
        int first = 0;
        int second = 0;
        bool rowSide = true;
        if (row != column && Root(g, row) != Root(g, column) &&
            ExclusivePair(wiring, g, row, column, e, first, second, rowSide)) {
            std::vector<int> path = PathBetween(g, first, rowSide ? row : column);
            const std::vector<int> rest = PathBetween(g, rowSide ? column : row, second);
            path.insert(path.end(), rest.begin(), rest.end());
            refusal = "closing " + CrosspointName(wiring, relay) + " would join " + NetName(wiring, first) + " and " +
                      NetName(wiring, second) + (path.empty() ? "" : ": " + ClosedList(wiring, path)) +
                      Rule(wiring, "exclusive", e->line);
            return false;
        }
        Join(wiring, g, relay);
    }
    return true;
}

bool StateKeepsRules(const Wiring& wiring, const RelayBits& closed, int limit, std::string& breach)
{
    if (const WiringForbidden* f = Forbidden(wiring, closed)) {
        breach = CrosspointName(wiring, f->relay) + " is closed, and it is forbidden" + Rule(wiring, "forbidden", f->line);
        return false;
    }
    BoardOverLimit over;
    if (OverBoardLimit(wiring, closed, RelayBits{}, limit, over)) {
        breach = OverLimitText(over);
        return false;
    }
    Graph g = GraphOf(wiring, closed);
    for (const WiringExclusive& e : wiring.exclusives) {
        for (std::size_t i = 0; i < e.nets.size(); ++i) {
            for (std::size_t j = i + 1; j < e.nets.size(); ++j) {
                if (Root(g, e.nets[i]) != Root(g, e.nets[j]))
                    continue;
                breach = NetName(wiring, e.nets[i]) + " and " + NetName(wiring, e.nets[j]) + " are joined: " +
                         ClosedList(wiring, PathBetween(g, e.nets[i], e.nets[j])) + Rule(wiring, "exclusive", e.line);
                return false;
            }
        }
    }
    return true;
}
