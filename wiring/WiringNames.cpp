// Crosspoints as an operator types them and as the tools name them, in the
// station's own names where the wiring gives them.
#include <cstddef>

#include "Wiring.h"

namespace {

// All of text as a decimal number; a longer one than any place holds is
// kept past every limit, so that it is refused as typed.
bool Number(std::string_view text, int& value)
{
    if (text.empty())
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value < 1000000 ? value * 10 + (c - '0') : 1000000;
    }
    return true;
}

bool Outside(const char* what, std::string_view digits, int value, int highest, std::string& error)
{
    if (value <= highest)
        return false;
    error = std::string(what) + " " + std::string(digits) + " is outside 0-" + std::to_string(highest);
    return true;
}

bool BoardRowColumn(std::string_view text, int& relay, std::string& error)
{
    int place[3] = {};
    std::string_view digits[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find(':', start) : text.size();
        if (end == std::string_view::npos || !Number(text.substr(start, end - start), place[i]))
            return false;
        digits[i] = text.substr(start, end - start);
        start = end + 1;
    }
    if (Outside("board", digits[0], place[0], WiringBoards - 1, error) ||
        Outside("row", digits[1], place[1], WiringRows - 1, error) ||
        Outside("column", digits[2], place[2], WiringColumns - 1, error)) {
        error = "\"" + std::string(text) + "\": " + error;
        return false;
    }
    relay = WiringRelayAt(place[0], place[1], place[2]);
    return true;
}

// Every crosspoint joining a row named row to a column named column.
std::vector<int> NamedCrosspoints(const Wiring& wiring, std::string_view row, std::string_view column)
{
    std::vector<int> found;
    for (int relay = 0; relay < WiringRelays; ++relay) {
        const std::string& r = wiring.netNames[static_cast<std::size_t>(RowNetOf(wiring, relay))];
        const std::string& c = wiring.netNames[static_cast<std::size_t>(ColumnNetOf(wiring, relay))];
        if (!r.empty() && r == row && c == column)
            found.push_back(relay);
    }
    return found;
}

std::string Place(int relay)
{
    return std::to_string(WiringBoardOf(relay)) + ":" + std::to_string(WiringRowOf(relay)) + ":" +
           std::to_string(WiringColumnOf(relay));
}

bool NamesOf(const Wiring& wiring, int relay, std::string& row, std::string& column)
{
    row = wiring.netNames[static_cast<std::size_t>(RowNetOf(wiring, relay))];
    column = wiring.netNames[static_cast<std::size_t>(ColumnNetOf(wiring, relay))];
    return !row.empty() && !column.empty() && NamedCrosspoints(wiring, row, column).size() == 1;
}

}  // namespace

int RowNetOf(const Wiring& wiring, int relay)
{
    return wiring.rowNet[static_cast<std::size_t>(WiringBoardOf(relay)) * WiringRows + static_cast<std::size_t>(WiringRowOf(relay))];
}

int ColumnNetOf(const Wiring& wiring, int relay)
{
    return wiring.columnNet[static_cast<std::size_t>(WiringBoardOf(relay)) * WiringColumns + static_cast<std::size_t>(WiringColumnOf(relay))];
}

std::string NetName(const Wiring& wiring, int net)
{
    const std::string& name = wiring.netNames[static_cast<std::size_t>(net)];
    if (!name.empty())
        return name;
    for (int i = 0; i < WiringBoards * WiringRows; ++i) {
        if (wiring.rowNet[static_cast<std::size_t>(i)] == net)
            return "board " + std::to_string(i / WiringRows) + " row " + std::to_string(i % WiringRows);
    }
    for (int i = 0; i < WiringBoards * WiringColumns; ++i) {
        if (wiring.columnNet[static_cast<std::size_t>(i)] == net)
            return "board " + std::to_string(i / WiringColumns) + " column " + std::to_string(i % WiringColumns);
    }
    return "net " + std::to_string(net);
}

bool ReadCrosspoint(const Wiring& wiring, std::string_view text, int& relay, std::string& error)
{
    const std::string quoted = "\"" + std::string(text) + "\"";
    error.clear();
    const std::size_t at = text.find('@');
    if (at != std::string_view::npos) {
        const std::vector<int> found = NamedCrosspoints(wiring, text.substr(0, at), text.substr(at + 1));
        if (found.size() == 1) {
            relay = found[0];
            return true;
        }
        error = quoted + (found.empty() ? ": no crosspoint joins a row of the first name to a column of the second"
                                        : ": names " + std::to_string(found.size()) + " crosspoints (" +
                                              Place(found[0]) + ", " + Place(found[1]) +
                                              (found.size() > 2 ? ", ..." : "") + "): write board:row:column");
        return false;
    }
    if (text.find(':') != std::string_view::npos) {
        if (BoardRowColumn(text, relay, error))
            return true;
    } else if (Number(text, relay)) {
        if (!Outside("relay", text, relay, WiringRelays - 1, error))
            return true;
        error = quoted + ": " + error;
        return false;
    }
    if (error.empty())
        error = quoted + " is not a crosspoint: use a relay number 0-1023, board:row:column such as 2:4:7, or "
                         "ROW@COLUMN such as V+@J4.1";
    return false;
}

std::string CrosspointName(const Wiring& wiring, int relay)
{
    std::string row;
    std::string column;
    const std::string place = Place(relay);
    return NamesOf(wiring, relay, row, column) ? place + " (" + row + "@" + column + ")" : place;
}

// A path's relay: its names first when it has them, "I+@J5.5 (3:2:4)".
std::string PathCrosspointName(const Wiring& wiring, int relay)
{
    std::string row;
    std::string column;
    const std::string place = Place(relay);
    return NamesOf(wiring, relay, row, column) ? row + "@" + column + " (" + place + ")" : place;
}

std::string RelayName(const Wiring& wiring, int relay)
{
    auto named = [&](int net) {
        const std::string& name = wiring.netNames[static_cast<std::size_t>(net)];
        return name.empty() ? std::string() : " " + name;
    };
    return "relay " + std::to_string(relay) + " (board " + std::to_string(WiringBoardOf(relay)) + ", row " +
           std::to_string(WiringRowOf(relay)) + named(RowNetOf(wiring, relay)) + ", column " +
           std::to_string(WiringColumnOf(relay)) + named(ColumnNetOf(wiring, relay)) + ")";
}
