#include "RelayNames.h"

namespace {

constexpr int LastRelay = BoardCount * RelaysPerBoard - 1;
// Beyond any relay: a longer number is still named as typed.
constexpr long Saturated = 1000000;

const char* const NotARelay =
    " is not a relay: use a number 0-1023, a range such as 100-107, or board:row:column such as 0:4:12";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits at the start of text: how many.
std::size_t Digits(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && IsDigit(text[n]))
        ++n;
    return n;
}

long Value(std::string_view digits)
{
    long value = 0;
    for (const char c : digits)
        value = value < Saturated ? value * 10 + (c - '0') : Saturated;
    return value;
}

// "N-M": both digits only.
bool IsRange(std::string_view item, std::size_t& dash)
{
    dash = Digits(item);
    return dash > 0 && dash < item.size() && item[dash] == '-' && Digits(item.substr(dash + 1)) == item.size() - dash - 1 &&
           dash + 1 < item.size();
}

// "N" or "board:row:column": the shapes of a single relay by number.
bool IsPlace(std::string_view item)
{
    std::size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        const std::size_t n = Digits(item.substr(at));
        if (n == 0)
            return false;
        at += n;
        if (at == item.size())
            return part == 0 || part == 2;
        if (item[at] != ':' || part == 2)
            return false;
        ++at;
    }
    return false;
}

bool ReadRange(std::string_view item, std::size_t dash, RelaySet& relays, std::string& error)
{
    const std::string_view first = item.substr(0, dash);
    const std::string_view last = item.substr(dash + 1);
    const long a = Value(first);
    const long b = Value(last);
    if (a > LastRelay || b > LastRelay) {
        error = "relay " + std::string(a > LastRelay ? first : last) + " is outside 0-1023";
        return false;
    }
    if (a > b) {
        error = "the range " + std::string(first) + "-" + std::string(last) + " is reversed (write " +
                std::string(last) + "-" + std::string(first) + ")";
        return false;
    }
    for (long r = a; r <= b; ++r)
        relays.set(static_cast<std::size_t>(r));
    return true;
}

bool ReadItem(const RelayNaming& naming, std::string_view item, RelaySet& relays, std::string& error)
{
    std::size_t dash = 0;
    if (naming.allowAll && item == "all") {
        relays.set();
        return true;
    }
    if (IsRange(item, dash))
        return ReadRange(item, dash, relays, error);
    const bool named = item.find('@') != std::string_view::npos;
    if (!named && !IsPlace(item)) {
        error = Quoted(std::string(item)) + NotARelay;
        return false;
    }
    if (named && !naming.wired) {
        error = Quoted(std::string(item)) + ": a crosspoint by the station's names, but no wiring file is in use "
                                            "(give --wiring FILE or set RELAYTEST_WIRING)";
        return false;
    }
    int relay = 0;
    if (!ReadCrosspoint(naming.wiring, item, relay, error)) {
        // A number out of range is said as the lists say it: "relay 1024 is outside 0-1023".
        const std::string prefix = Quoted(std::string(item)) + ": ";
        if (!named && error.compare(0, prefix.size(), prefix) == 0)
            error.erase(0, prefix.size());
        return false;
    }
    relays.set(static_cast<std::size_t>(relay));
    return true;
}

bool HoldsControlByte(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return true;
    }
    return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool ReadRelayNames(const RelayNaming& naming, std::string_view text, RelaySet& relays, std::string& error)
{
    error.clear();
    if (HoldsControlByte(text)) {
        error = Quoted(std::string(text)) + ": holds a control character";
        return false;
    }
    RelaySet read;
    bool any = false;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        if (at == text.size())
            break;
        // One word: items separated by commas, an empty one a mistake.
        std::size_t end = at;
        while (end < text.size() && !IsBlank(text[end]))
            ++end;
        const std::string_view word = text.substr(at, end - at);
        for (std::size_t start = 0; start <= word.size();) {
            std::size_t comma = word.find(',', start);
            comma = comma == std::string_view::npos ? word.size() : comma;
            if (!ReadItem(naming, word.substr(start, comma - start), read, error))
                return false;
            any = true;
            start = comma + 1;
        }
        at = end;
    }
    if (!any) {
        error = "no relays named";
        return false;
    }
    relays |= read;
    return true;
}

bool ReadOneRelay(const RelayNaming& naming, std::string_view text, int& relay, std::string& error)
{
    RelaySet named;
    if (!ReadRelayNames(naming, text, named, error))
        return false;
    if (named.count() != 1) {
        error = Quoted(std::string(text)) + ": name one relay";
        return false;
    }
    for (std::size_t r = 0; r < named.size(); ++r) {
        if (named.test(r))
            relay = static_cast<int>(r);
    }
    return true;
}
