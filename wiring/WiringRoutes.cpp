// Routes in the wiring: the buses that carry signals between boards, the
// routes the station names (pinned to a path or not), the groups of routes
// switched together, and how long relays take to settle.
#include <algorithm>

#include "WiringReading.h"

namespace {

constexpr std::int64_t MostSettleMs = 10000;

const toml::array* Tables(Reading& r, const toml::table& top, const char* key, bool& ok)
{
    ok = true;
    const toml::node* node = top.get(key);
    if (node == nullptr)
        return nullptr;
    if (!node->is_array_of_tables()) {
        ok = Fail(r, LineOf(*node), std::string("write [[") + key + "]] tables");
        return nullptr;
    }
    return node->as_array();
}

bool ReadSettle(Reading& r, const toml::node& node, int& ms)
{
    std::int64_t value = 0;
    if (!ReadWhole(r, node, "settle-ms", "a number of milliseconds from 0 to 10000", value))
        return false;
    if (value < 0 || value > MostSettleMs)
        return Fail(r, LineOf(node), "settle-ms must be a number of milliseconds from 0 to 10000");
    ms = static_cast<int>(value);
    return true;
}

// A net the file names: a row or column of a listed board.
bool ReadNet(Reading& r, const toml::node* node, std::uint32_t line, const char* what, int& net)
{
    if (node == nullptr)
        return Fail(r, line, std::string(what) + " = a net's name is missing");
    const auto* text = node->as_string();
    net = text != nullptr ? NetNamed(r.wiring, text->get()) : -1;
    if (net < 0)
        return Fail(r, LineOf(*node), (text != nullptr ? "\"" + text->get() + "\"" : std::string(what)) +
                                          " names no row or column of a listed board");
    return true;
}

bool NameTaken(const Wiring& wiring, const std::string& name)
{
    auto same = [&](const auto& entry) { return entry.name == name; };
    return std::any_of(wiring.routes.begin(), wiring.routes.end(), same) ||
           std::any_of(wiring.groups.begin(), wiring.groups.end(), same);
}

bool ReadName(Reading& r, const toml::table& table, const char* kind, std::string& name)
{
    const toml::node* node = table.get("name");
    const auto* text = node != nullptr ? node->as_string() : nullptr;
    if (text == nullptr || !GoodName(text->get()))
        return Fail(r, node != nullptr ? LineOf(*node) : LineOf(table),
                    std::string("[[") + kind + "]] needs name = a name of letters, digits and _ . + -");
    name = text->get();
    if (NameTaken(r.wiring, name))
        return Fail(r, LineOf(*node), "\"" + name + "\" names a route or group already");
    return true;
}

bool ReadBuses(Reading& r, const toml::table& top)
{
    bool ok = true;
    const toml::array* buses = Tables(r, top, "bus", ok);
    for (std::size_t i = 0; ok && buses != nullptr && i < buses->size(); ++i) {
        const toml::table& bus = *(*buses)[i].as_table();
        const toml::node* nets = bus.get("nets");
        if (!OnlyKeys(r, bus, {"nets"}, " in [[bus]]"))
            return false;
        if (nets == nullptr || !nets->is_array() || nets->as_array()->empty())
            return Fail(r, LineOf(bus), "[[bus]] needs nets = a list");
        for (const toml::node& item : *nets->as_array()) {
            int net = 0;
            if (!ReadNet(r, &item, LineOf(item), "nets", net))
                return false;
            r.wiring.bus[static_cast<std::size_t>(net)] = 1;
        }
    }
    return ok;
}

bool ReadVia(Reading& r, const toml::node& node, WiringRoute& route)
{
    const toml::array* list = node.as_array();
    if (list == nullptr || list->empty())
        return Fail(r, LineOf(node), "via must be a list of crosspoints");
    for (const toml::node& item : *list) {
        const auto* text = item.as_string();
        int relay = 0;
        std::string why;
        if (text == nullptr)
            return Fail(r, LineOf(item), "write each crosspoint of via in quotes");
        if (!ReadCrosspoint(r.wiring, text->get(), relay, why))
            return Fail(r, LineOf(item), why);
        for (const WiringForbidden& f : r.wiring.forbidden) {
            if (f.relay == relay)
                return Fail(r, LineOf(item), "via " + text->get() + ": the crosspoint is forbidden (line " +
                                                 std::to_string(f.line) + ")");
        }
        route.via.push_back(relay);
    }
    std::string why;
    if (!PathJoins(r.wiring, route.from, route.to, route.via, why))
        return Fail(r, LineOf(node), "via does not join " + NetName(r.wiring, route.from) + " to " +
                                         NetName(r.wiring, route.to) + ": " + why);
    return true;
}

bool ReadRoute(Reading& r, const toml::table& table)
{
    WiringRoute route;
    route.line = static_cast<int>(LineOf(table));
    const auto line = static_cast<std::uint32_t>(route.line);
    if (!OnlyKeys(r, table, {"name", "from", "to", "via", "settle-ms"}, " in [[route]]") ||
        !ReadName(r, table, "route", route.name) || !ReadNet(r, table.get("from"), line, "from", route.from) ||
        !ReadNet(r, table.get("to"), line, "to", route.to))
        return false;
    for (const int end : {route.from, route.to}) {
        if (IsBus(r.wiring, end))
            return Fail(r, line, "route " + route.name + ": " + NetName(r.wiring, end) + " is a bus, not an end");
    }
    if (route.from == route.to)
        return Fail(r, line, "route " + route.name + " joins " + NetName(r.wiring, route.from) + " to itself");
    if (const toml::node* via = table.get("via"); via != nullptr && !ReadVia(r, *via, route))
        return false;
    if (const toml::node* settle = table.get("settle-ms"); settle != nullptr && !ReadSettle(r, *settle, route.settleMs))
        return false;
    r.wiring.routes.push_back(route);
    return true;
}

bool ReadGroup(Reading& r, const toml::table& table)
{
    WiringGroup group;
    group.line = static_cast<int>(LineOf(table));
    if (!OnlyKeys(r, table, {"name", "routes"}, " in [[group]]") || !ReadName(r, table, "group", group.name))
        return false;
    const toml::node* routes = table.get("routes");
    if (routes == nullptr || !routes->is_array() || routes->as_array()->empty())
        return Fail(r, LineOf(table), "[[group]] needs routes = a list of route names");
    std::vector<int> ends;
    for (const toml::node& item : *routes->as_array()) {
        const auto* text = item.as_string();
        const auto& all = r.wiring.routes;
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const WiringRoute& w) { return text != nullptr && w.name == text->get(); });
        if (found == all.end())
            return Fail(r, LineOf(item), (text != nullptr ? "\"" + text->get() + "\"" : std::string("that")) +
                                             " names no [[route]] above");
        // Two routes of a group with an end in common would join their other ends.
        for (const int end : {found->from, found->to}) {
            if (std::find(ends.begin(), ends.end(), end) != ends.end())
                return Fail(r, LineOf(item), "group " + group.name + ": two of its routes end at " +
                                                 NetName(r.wiring, end));
            ends.push_back(end);
        }
        group.routes.push_back(static_cast<int>(found - all.begin()));
    }
    r.wiring.groups.push_back(group);
    return true;
}

}  // namespace

bool ReadRouting(Reading& r, const toml::table& top)
{
    r.wiring.bus.assign(r.wiring.netNames.size(), 0);
    if (const toml::node* settle = top.get("settle-ms"); settle != nullptr && !ReadSettle(r, *settle, r.wiring.settleMs))
        return false;
    if (!ReadBuses(r, top))
        return false;
    bool ok = true;
    for (const char* key : {"route", "group"}) {
        const toml::array* tables = Tables(r, top, key, ok);
        for (std::size_t i = 0; ok && tables != nullptr && i < tables->size(); ++i) {
            const toml::table& table = *(*tables)[i].as_table();
            ok = key[0] == 'r' ? ReadRoute(r, table) : ReadGroup(r, table);
        }
        if (!ok)
            return false;
    }
    return true;
}

int NetNamed(const Wiring& wiring, std::string_view name)
{
    if (name.empty())
        return -1;
    const auto found = std::find(wiring.netNames.begin(), wiring.netNames.end(), name);
    return found == wiring.netNames.end() ? -1 : static_cast<int>(found - wiring.netNames.begin());
}

bool IsBus(const Wiring& wiring, int net)
{
    return net >= 0 && static_cast<std::size_t>(net) < wiring.bus.size() && wiring.bus[static_cast<std::size_t>(net)] != 0;
}

int RouteSettleMs(const Wiring& wiring, const WiringRoute& route)
{
    return route.settleMs >= 0 ? route.settleMs : wiring.settleMs;
}

bool PathJoins(const Wiring& wiring, int from, int to, const std::vector<int>& relays, std::string& why)
{
    std::vector<int> passed{from};
    int at = from;
    for (std::size_t i = 0; i < relays.size(); ++i) {
        const int relay = relays[i];
        const int row = RowNetOf(wiring, relay);
        const int column = ColumnNetOf(wiring, relay);
        if (row != at && column != at) {
            why = CrosspointName(wiring, relay) + " does not touch " + NetName(wiring, at);
            return false;
        }
        at = row == at ? column : row;
        if (std::find(passed.begin(), passed.end(), at) != passed.end()) {
            why = CrosspointName(wiring, relay) + " returns to " + NetName(wiring, at);
            return false;
        }
        if (at != to && !IsBus(wiring, at)) {
            why = CrosspointName(wiring, relay) + " leads to " + NetName(wiring, at) + ", which is not a bus";
            return false;
        }
        if (at == to && i + 1 < relays.size()) {
            why = "it reaches " + NetName(wiring, to) + " before its last crosspoint";
            return false;
        }
        passed.push_back(at);
    }
    if (at != to) {
        why = "it ends at " + NetName(wiring, at);
        return false;
    }
    return true;
}
