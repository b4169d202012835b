// The reader's tools: faults with their lines, whole numbers, names, keys,
// and the file's bytes before TOML sees them.
#include <cstdio>

#include "WiringReading.h"

std::string ShownText(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char hex[5];
        (void)std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        shown += byte < 0x20 || byte == 0x7F ? std::string(hex) : std::string(1, c);
    }
    return shown;
}

// One line, whatever the file held: what it echoes of the file (a bad name,
// the TOML parser's view of a bad line) has its control bytes written as \xHH.
bool Fail(Reading& r, std::uint32_t line, const std::string& what)
{
    r.error = r.wiring.shown + " line " + std::to_string(line) + ": " + ShownText(what);
    return false;
}

std::uint32_t LineOf(const toml::node& node) { return node.source().begin.line; }

namespace {

// What a value is when it is not what a key takes.
const char* KindOf(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::floating_point: return "a floating-point number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::string: return "text in quotes";
    case toml::node_type::array: return "a list";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
    }
}

}  // namespace

// A whole number the file gives: a TOML integer only. toml++ would convert a
// float (2.0, 2e0, and 5e40 beyond any integer) or true into one, and the
// author of such a value meant something the tools cannot know. False, with
// "KEY must be WHAT, not a floating-point number" at its line, otherwise.
bool ReadWhole(Reading& r, const toml::node& node, const char* key, const char* what, std::int64_t& value)
{
    if (!node.is_integer())
        return Fail(r, LineOf(node), std::string(key) + " must be " + what + ", not " + KindOf(node));
    value = node.as_integer()->get();
    return true;
}

// A name starts with a letter or a digit and holds letters, digits and
// _ . + - ("0V" is a ground everyone writes so), but is not a number alone,
// which would read as a relay number.
bool GoodName(const std::string& name)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    bool onlyDigits = true;
    for (const char c : name) {
        onlyDigits = onlyDigits && digit(c);
        if (!letter(c) && !digit(c) && c != '_' && c != '.' && c != '+' && c != '-')
            return false;
    }
    return !name.empty() && (letter(name[0]) || digit(name[0])) && !onlyDigits;
}

// Only the keys a table may hold: anything else is a typing mistake that
// would otherwise be ignored.
bool OnlyKeys(Reading& r, const toml::table& table, std::initializer_list<const char*> keys, const char* where)
{
    for (auto&& [key, node] : table) {
        bool known = false;
        for (const char* k : keys)
            known = known || key.str() == k;
        if (!known)
            return Fail(r, LineOf(node), std::string("unknown key \"") + std::string(key.str()) + "\"" + where);
    }
    return true;
}

// The key a line gives a value to, "max-closed-per-board" of
// "max-closed-per-board = 99999999999999999999"; empty when it gives none.
std::string KeyOnLine(std::string_view text, std::uint32_t line)
{
    std::size_t at = 0;
    for (std::uint32_t n = 1; n < line; ++n) {
        at = text.find('\n', at);
        if (at == std::string_view::npos)
            return "";
        ++at;
    }
    const std::string_view rest = text.substr(at, text.find('\n', at) - at);
    const std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return "";
    const std::size_t end =
        rest.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-", start);
    const std::size_t equals = end == start ? std::string_view::npos : rest.find_first_not_of(" \t", end);
    return equals != std::string_view::npos && rest[equals] == '=' ? std::string(rest.substr(start, end - start)) : "";
}

// A wiring file is ASCII: names and keys are. Comments may hold anything, and
// are blanked here where they are not ASCII, as is a leading UTF-8 byte-order
// mark as some editors save it. Outside comments a byte above 0x7F is refused
// before the TOML parser sees it (whose checks of some such characters are not
// to be trusted). The line of the first such byte, or 0.
std::uint32_t KeepAscii(std::string& text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.replace(0, 3, "   ");
    std::uint32_t line = 1;
    char quote = 0;
    bool comment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            quote = 0;
            comment = false;
        } else if (static_cast<unsigned char>(c) > 0x7F) {
            if (!comment)
                return line;
            text[i] = ' ';
        } else if (quote == '"' && c == '\\') {
            ++i;  // an escape: the next character does not end the string
        } else if (quote != 0 && c == quote) {
            quote = 0;
        } else if (quote == 0 && !comment && (c == '"' || c == '\'')) {
            quote = c;
        } else if (quote == 0 && c == '#') {
            comment = true;
        }
    }
    return 0;
}

// FNV-1a over the file's bytes: enough to tell two files apart in a record.
std::string Checksum(std::string_view text)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char hex[17];
    (void)std::snprintf(hex, sizeof hex, "%016llX", static_cast<unsigned long long>(hash));
    return hex;
}

