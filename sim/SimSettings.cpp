// The simulated card's settings, as RELAYSIM spells them: a list separated by
// commas or blanks, each a name and, for most, "=" and an argument. They are
// applied through the control functions, in order: a later setting of a single
// value wins, settings of relays add up.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SimControl.h"

namespace {

struct Setting {
    const char* name;
    const char* argument;  // as the usage spells it; nullptr for a setting that takes none
    int base;
    long long low;
    long long high;
    void (*apply)(long long value);
};

constexpr long long LastRelay = 1023;

const Setting Settings[] = {
    {"cards", "N", 10, INT32_MIN, INT32_MAX, [](long long n) { SimSetCardCount(static_cast<std::int32_t>(n)); }},
    {"revision", "HEX", 16, 0, UINT32_MAX, [](long long n) { SimSetRevision(static_cast<std::uint32_t>(n)); }},
    {"busy", "N", 10, 0, UINT32_MAX, [](long long n) { SimSetBusyPolls(static_cast<std::uint32_t>(n)); }},
    {"stuck-busy", nullptr, 0, 0, 0, [](long long) { SimSetStuckBusy(true); }},
    {"deaf", nullptr, 0, 0, 0,
     [](long long) {
         for (int b = 0; b < 8; ++b)
             SimSetBoardFixed(b, BoardWords{});
     }},
    {"stuck-on", "R", 10, 0, LastRelay, [](long long r) { SimSetStuckRelay(static_cast<std::int32_t>(r), true); }},
    {"stuck-off", "R", 10, 0, LastRelay, [](long long r) { SimSetStuckRelay(static_cast<std::int32_t>(r), false); }},
    {"crash-after", "N", 10, 1, UINT32_MAX, [](long long n) { SimCrashAfter(static_cast<std::uint64_t>(n)); }},
    {"slow", "US", 10, 0, UINT32_MAX, [](long long us) { SimSetSlow(static_cast<std::uint32_t>(us)); }},
};

// The whole argument as a number in the setting's base and range. Hexadecimal
// takes at most eight digits, without "0x".
bool Number(const Setting& s, const std::string& text, long long& out)
{
    const std::size_t digits = text.find_first_not_of(s.base == 16 ? "0123456789abcdefABCDEF" : "-0123456789");
    if (text.empty() || digits != std::string::npos || (s.base == 16 && text.size() > 8))
        return false;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, s.base);
    return *end == '\0' && out >= s.low && out <= s.high;
}

std::string Usage(const Setting& s) { return std::string(s.name) + (s.argument ? std::string("=") + s.argument : ""); }

std::string Range(const Setting& s)
{
    if (s.argument == nullptr)
        return " alone";
    if (s.base == 16)
        return ", up to eight hexadecimal digits";
    return ", " + std::string(s.argument) + " from " + std::to_string(s.low) + " to " + std::to_string(s.high);
}

std::string Known()
{
    std::string known;
    for (const Setting& s : Settings)
        known += (known.empty() ? "" : ", ") + Usage(s);
    return known;
}

bool Apply(const std::string& token, std::string& error)
{
    const std::size_t eq = token.find('=');
    for (const Setting& s : Settings) {
        if (token.compare(0, eq, s.name) != 0)
            continue;
        long long value = 0;
        if (s.argument == nullptr ? eq == std::string::npos : eq != std::string::npos && Number(s, token.substr(eq + 1), value)) {
            s.apply(value);
            return true;
        }
        error = "bad setting \"" + token + "\" in RELAYSIM: use " + Usage(s) + Range(s) + " (known: " + Known() + ")";
        return false;
    }
    error = "unknown setting \"" + token + "\" in RELAYSIM (known: " + Known() + ")";
    return false;
}

}  // namespace

bool SimApplySettings(const std::string& text, std::string& error)
{
    std::string token;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ',' && text[i] != ' ') {
            token += text[i];
            continue;
        }
        if (!token.empty() && !Apply(token, error))
            return false;
        token.clear();
    }
    return true;
}
