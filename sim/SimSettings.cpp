// The simulated card's settings, as RELAYSIM spells them: a list separated by
// commas or blanks, each a name and, for most, "=" and an argument: one number,
// a pair "A:B", or a file name. They are applied through the control functions, in order: a
// later setting of a single value wins, settings of relays and boards add up.
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
    // A setting of a pair "A:B" (both in low..high) has this instead of apply;
    // false when the card cannot have that pair, as pairRule says.
    bool (*applyPair)(long long first, long long second) = nullptr;
    const char* pairRule = nullptr;
    // A setting of a file name has this instead; false, with its own reason,
    // for a file it cannot take.
    bool (*applyText)(const std::string& text, std::string& error) = nullptr;
    // A pair whose second number has a range of its own ("B:N"); none when
    // secondHigh < secondLow.
    long long secondLow = 0;
    long long secondHigh = -1;
};

constexpr long long LastRelay = 1023;
constexpr long long LastBoard = 7;

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
    {"coupled", "A:B", 10, 0, LastRelay, nullptr,
     [](long long a, long long b) { return SimSetCoupledRelays(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b)); },
     "two relays of one board"},
    {"alias", "A:B", 10, 0, LastBoard, nullptr,
     [](long long a, long long b) { return SimSetBoardAlias(static_cast<int>(a), static_cast<int>(b)); },
     "two different boards"},
    {"absent", "B", 10, 0, LastBoard, [](long long b) { SimSetBoardAbsent(static_cast<int>(b)); }},
    {"clears", "A:B", 10, 0, LastRelay, nullptr,
     [](long long a, long long b) { return SimSetClearingRelays(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b)); },
     "two relays of one board"},
    {"sag", "B:N", 10, 0, LastBoard, nullptr,
     [](long long b, long long n) { return SimSetBoardSag(static_cast<int>(b), static_cast<int>(n)); }, nullptr, nullptr,
     0, 127},
    {"ghost", "A:B", 10, 0, LastRelay, nullptr,
     [](long long a, long long b) { return SimSetGhostRelays(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b)); },
     "two relays of different boards"},
    {"late", "R:N", 10, 0, LastRelay, nullptr,
     [](long long r, long long n) { return SimSetLateRelay(static_cast<std::int32_t>(r), static_cast<std::uint32_t>(n)); },
     nullptr, nullptr, 1, UINT32_MAX},
    {"shift", "B", 10, 0, LastBoard, [](long long b) { SimSetBoardShifted(static_cast<int>(b)); }},
    {"crash-after", "N", 10, 1, UINT32_MAX, [](long long n) { SimCrashAfter(static_cast<std::uint64_t>(n)); }},
    {"slow", "US", 10, 0, UINT32_MAX, [](long long us) { SimSetSlow(static_cast<std::uint32_t>(us)); }},
    {"state", "PATH", 0, 0, 0, nullptr, nullptr, nullptr, SimKeepStateIn},
    {"hold", "PATH", 0, 0, 0, nullptr, nullptr, nullptr, SimHoldWhile},
};

bool OwnSecondRange(const Setting& s) { return s.secondHigh >= s.secondLow; }

// The whole argument as a number in the setting's base and in low..high.
// Hexadecimal takes at most eight digits, without "0x".
bool Number(const Setting& s, const std::string& text, long long& out, long long low, long long high)
{
    const std::size_t digits = text.find_first_not_of(s.base == 16 ? "0123456789abcdefABCDEF" : "-0123456789");
    if (text.empty() || digits != std::string::npos || (s.base == 16 && text.size() > 8))
        return false;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, s.base);
    return *end == '\0' && out >= low && out <= high;
}

bool Number(const Setting& s, const std::string& text, long long& out) { return Number(s, text, out, s.low, s.high); }

std::string Usage(const Setting& s) { return std::string(s.name) + (s.argument ? std::string("=") + s.argument : ""); }

std::string Range(const Setting& s)
{
    if (s.argument == nullptr)
        return " alone";
    if (s.base == 16)
        return ", up to eight hexadecimal digits";
    if (s.applyText != nullptr)
        return ", PATH a file name without commas or blanks";
    const std::string from = " from " + std::to_string(s.low) + " to " + std::to_string(s.high);
    if (s.applyPair != nullptr && OwnSecondRange(s))
        return ", " + std::string(1, s.argument[0]) + from + ", " + std::string(1, s.argument[2]) + " from " +
               std::to_string(s.secondLow) + " to " + std::to_string(s.secondHigh);
    if (s.applyPair != nullptr)
        return ", " + std::string(s.pairRule) + ", A and B" + from;
    return ", " + std::string(s.argument) + from;
}

// The argument "A:B" of a pair setting, applied.
bool ApplyPair(const Setting& s, const std::string& text)
{
    const std::size_t colon = text.find(':');
    long long first = 0;
    long long second = 0;
    const bool own = OwnSecondRange(s);
    return colon != std::string::npos && Number(s, text.substr(0, colon), first) &&
           Number(s, text.substr(colon + 1), second, own ? s.secondLow : s.low, own ? s.secondHigh : s.high) &&
           s.applyPair(first, second);
}

// The argument, read and applied as the setting takes it.
bool ApplyArgument(const Setting& s, bool hasArgument, const std::string& text)
{
    if (s.argument == nullptr) {
        if (!hasArgument)
            s.apply(0);
        return !hasArgument;
    }
    if (!hasArgument || s.applyText != nullptr)
        return false;
    if (s.applyPair != nullptr)
        return ApplyPair(s, text);
    long long value = 0;
    if (!Number(s, text, value))
        return false;
    s.apply(value);
    return true;
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
        const bool hasArgument = eq != std::string::npos;
        if (s.applyText != nullptr && hasArgument && eq + 1 < token.size())
            return s.applyText(token.substr(eq + 1), error);
        if (ApplyArgument(s, hasArgument, hasArgument ? token.substr(eq + 1) : std::string()))
            return true;
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
