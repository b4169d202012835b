// Reading a wiring file: TOML through toml++, then every key, name and
// crosspoint checked, so that a station never runs under a file that says
// something other than what its author meant.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "WiringFileOpen.h"
#include "WiringReading.h"

namespace {

// The net of a name, made the first time the name is seen; an unnamed net is
// a net of its own.
int NetFor(Reading& r, const std::string& name)
{
    if (!name.empty()) {
        const auto found = r.nets.find(name);
        if (found != r.nets.end())
            return found->second;
    }
    const int net = static_cast<int>(r.wiring.netNames.size());
    r.wiring.netNames.push_back(name);
    if (!name.empty())
        r.nets.emplace(name, net);
    return net;
}

// rows = [...] or columns = [...]: exactly count names, each good or "".
bool ReadNames(Reading& r, const toml::table& board, const char* key, std::size_t count,
               std::vector<std::string>& names)
{
    const toml::node* node = board.get(key);
    if (node == nullptr)
        return true;
    const toml::array* list = node->as_array();
    if (list == nullptr || list->size() != count)
        return Fail(r, LineOf(*node), std::string(key) + " must be a list of " + std::to_string(count) + " names");
    for (const toml::node& item : *list) {
        const auto* text = item.as_string();
        if (text == nullptr)
            return Fail(r, LineOf(item), std::string(key) + " must hold names in quotes");
        const std::string& name = text->get();
        if (!name.empty() && !GoodName(name))
            return Fail(r, LineOf(item), "\"" + name + "\" is not a name: a name starts with a letter or digit, "
                                                     "holds letters, digits and _ . + -, and is not a number");
        names.push_back(name);
    }
    return true;
}

bool ReadBoard(Reading& r, const toml::table& board, std::array<std::vector<std::string>, WiringBoards>& rows,
               std::array<std::vector<std::string>, WiringBoards>& columns)
{
    const std::uint32_t line = LineOf(board);
    if (!OnlyKeys(r, board, {"index", "rows", "columns"}, " in [[board]]"))
        return false;
    const toml::node* given = board.get("index");
    std::int64_t index = 0;
    if (given == nullptr)
        return Fail(r, line, "[[board]] needs index = a board number 0-7");
    if (!ReadWhole(r, *given, "index", "a board number 0-7", index))
        return false;
    if (index < 0 || index >= WiringBoards)
        return Fail(r, LineOf(*given), "board " + std::to_string(index) + " is outside 0-7");
    const auto b = static_cast<std::size_t>(index);
    if (r.wiring.listed[b])
        return Fail(r, line, "board " + std::to_string(index) + " is listed twice");
    r.wiring.listed[b] = true;
    return ReadNames(r, board, "rows", WiringRows, rows[b]) && ReadNames(r, board, "columns", WiringColumns, columns[b]);
}

// Every row and column gets its net, board by board, rows first.
void MakeNets(Reading& r, const std::array<std::vector<std::string>, WiringBoards>& rows,
              const std::array<std::vector<std::string>, WiringBoards>& columns)
{
    for (std::size_t b = 0; b < WiringBoards; ++b) {
        for (std::size_t i = 0; i < WiringRows; ++i)
            r.wiring.rowNet[b * WiringRows + i] = NetFor(r, rows[b].empty() ? "" : rows[b][i]);
        for (std::size_t i = 0; i < WiringColumns; ++i)
            r.wiring.columnNet[b * WiringColumns + i] = NetFor(r, columns[b].empty() ? "" : columns[b][i]);
    }
}

// The entries of an array of tables, each with its one list key.
bool EachEntry(Reading& r, const toml::table& top, const char* key, const char* listKey,
               bool (*read)(Reading&, const toml::node&, std::uint32_t, bool))
{
    const toml::node* node = top.get(key);
    if (node == nullptr)
        return true;
    const toml::array* entries = node->as_array();
    if (entries == nullptr || !entries->is_array_of_tables())
        return Fail(r, LineOf(*node), std::string("write [[") + key + "]] tables");
    for (const toml::node& entry : *entries) {
        const toml::table& table = *entry.as_table();
        const std::string where = std::string(" in [[") + key + "]]";
        if (!OnlyKeys(r, table, {listKey}, where.c_str()))
            return false;
        const toml::node* list = table.get(listKey);
        if (list == nullptr || !list->is_array() || list->as_array()->empty())
            return Fail(r, LineOf(table), std::string("[[") + key + "]] needs " + listKey + " = a list");
        bool first = true;
        for (const toml::node& item : *list->as_array()) {
            if (!read(r, item, LineOf(*list), first))
                return false;
            first = false;
        }
    }
    return true;
}

bool ReadExclusiveNet(Reading& r, const toml::node& item, std::uint32_t line, bool first)
{
    const auto* text = item.as_string();
    const auto found = text != nullptr ? r.nets.find(text->get()) : r.nets.end();
    if (text == nullptr || found == r.nets.end())
        return Fail(r, LineOf(item), (text != nullptr ? "\"" + text->get() + "\"" : std::string("that")) +
                                         " names no row or column of a listed board");
    if (first)
        r.wiring.exclusives.push_back({{}, static_cast<int>(line)});
    // A net named twice would be "joined" to itself by nothing at all: every
    // close would be refused. Names are nets, so a second name of one net is
    // the same name.
    std::vector<int>& nets = r.wiring.exclusives.back().nets;
    if (std::find(nets.begin(), nets.end(), found->second) != nets.end())
        return Fail(r, LineOf(item), "[[exclusive]] names " + text->get() + " twice");
    nets.push_back(found->second);
    return true;
}

bool ReadForbidden(Reading& r, const toml::node& item, std::uint32_t line, bool)
{
    const auto* text = item.as_string();
    int relay = 0;
    std::string why;
    if (text == nullptr)
        return Fail(r, LineOf(item), "write each crosspoint in quotes");
    if (!ReadCrosspoint(r.wiring, text->get(), relay, why))
        return Fail(r, LineOf(item), why);
    r.wiring.forbidden.push_back({relay, text->get(), static_cast<int>(line)});
    return true;
}

bool ReadTop(Reading& r, const toml::table& top)
{
    if (!OnlyKeys(r, top, {"max-closed-per-board", "rated-operations", "settle-ms", "board", "exclusive", "forbidden", "bus", "route", "group"}, ""))
        return false;
    if (const toml::node* most = top.get("max-closed-per-board")) {
        const std::string range = "a number from 1 to " + std::to_string(WiringMostClosedPerBoard);
        std::int64_t value = 0;
        if (!ReadWhole(r, *most, "max-closed-per-board", range.c_str(), value))
            return false;
        if (value < 1 || value > WiringMostClosedPerBoard)
            return Fail(r, LineOf(*most), "max-closed-per-board must be " + range);
        r.wiring.maxClosedPerBoard = static_cast<int>(value);
        r.wiring.maxClosedLine = static_cast<int>(LineOf(*most));
    }
    if (const toml::node* rated = top.get("rated-operations")) {
        // From a thousand operations (a relay at the end of its life) to 10^12.
        const char* const range = "a number from 1000 to 1000000000000";
        std::int64_t value = 0;
        if (!ReadWhole(r, *rated, "rated-operations", range, value))
            return false;
        if (value < 1000 || value > 1000000000000)
            return Fail(r, LineOf(*rated), std::string("rated-operations must be ") + range);
        r.wiring.ratedOperations = static_cast<std::uint64_t>(value);
    }
    std::array<std::vector<std::string>, WiringBoards> rows;
    std::array<std::vector<std::string>, WiringBoards> columns;
    if (const toml::node* boards = top.get("board")) {
        if (!boards->is_array_of_tables())
            return Fail(r, LineOf(*boards), "write [[board]] tables");
        for (const toml::node& board : *boards->as_array()) {
            if (!ReadBoard(r, *board.as_table(), rows, columns))
                return false;
        }
    }
    MakeNets(r, rows, columns);
    if (!EachEntry(r, top, "exclusive", "nets", ReadExclusiveNet))
        return false;
    for (const WiringExclusive& e : r.wiring.exclusives) {
        if (e.nets.size() < 2)
            return Fail(r, static_cast<std::uint32_t>(e.line), "[[exclusive]] needs two or more nets");
    }
    if (!EachEntry(r, top, "forbidden", "crosspoints", ReadForbidden) || !ReadRouting(r, top))
        return false;
    // An empty file, or one saved before anything was written into it, would
    // otherwise be taken as a station with nothing to keep. A file of rules
    // alone (a lower board limit, forbidden crosspoints by number) is a station.
    const bool listed = std::find(r.wiring.listed.begin(), r.wiring.listed.end(), true) != r.wiring.listed.end();
    const bool rules = r.wiring.maxClosedPerBoard > 0 || !r.wiring.forbidden.empty() || !r.wiring.exclusives.empty();
    if (r.needBoard && !listed && !rules)
        return Fail(r, 1, "sets nothing: a wiring file lists the boards the station wires, or its rules");
    return true;
}

}  // namespace

namespace {

bool Parse(std::string_view text, const std::string& name, bool needBoard, Wiring& wiring, std::string& error)
{
    wiring = Wiring{};
    wiring.file = name;
    wiring.shown = ShownText(name);
    wiring.checksum = Checksum(text);
    Reading r{wiring, error, {}, needBoard};
    std::string ascii(text);
    if (const std::uint32_t line = KeepAscii(ascii))
        return Fail(r, line, "a character that is not ASCII outside a comment: names and keys are plain ASCII");
    toml::parse_result parsed = toml::parse(ascii, name);
    if (!parsed) {
        // toml++ says what it could not read, such as an integer beyond 64
        // bits, but not whose value it was.
        const std::uint32_t line = parsed.error().source().begin.line;
        const std::string key = KeyOnLine(ascii, line);
        return Fail(r, line, (key.empty() ? "" : key + ": ") + std::string(parsed.error().description()));
    }
    return ReadTop(r, parsed.table());
}

}  // namespace

Wiring EmptyWiring()
{
    Wiring wiring;
    std::string error;
    (void)Parse("", "", false, wiring, error);
    return wiring;
}

bool ParseWiring(std::string_view text, const std::string& name, Wiring& wiring, std::string& error)
{
    // Nothing a file holds may end the program that reads it: whatever the
    // parser or the standard library throws (out of memory) is the file's one
    // line too.
    try {
        return Parse(text, name, true, wiring, error);
    } catch (const std::exception& e) {
        error = ShownText(name) + ": cannot be read: " + e.what();
    } catch (...) {
        error = ShownText(name) + ": cannot be read";
    }
    return false;
}

bool LoadWiring(const std::string& path, Wiring& wiring, std::string& error)
{
    // A wiring file is a few kilobytes: anything past this is something else
    // (a log, an image, /dev/zero behind a link), not to be held in memory.
    constexpr std::size_t Most = std::size_t{1} << 20;
    std::string text;
    try {
        std::string why;
        if (!ReadWiringBytes(path, Most + 1, text, why)) {
            error = ShownText(path) + ": " + why;
            return false;
        }
    } catch (const std::exception& e) {
        error = ShownText(path) + ": cannot be read: " + e.what();
        return false;
    }
    if (text.size() > Most) {
        error = ShownText(path) + ": larger than 1 MiB, not a wiring file";
        return false;
    }
    return ParseWiring(text, path, wiring, error);
}
