#include "CaseName.h"

#include <cctype>
#include <cstdio>

std::string CaseName(const std::string& text)
{
    std::string name;
    bool wordStart = true;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) == 0) {
            wordStart = true;
            continue;
        }
        // Two numbers in a row stay apart: 2:5 is 2_5, not 25.
        if (wordStart && std::isdigit(u) != 0 && !name.empty() &&
            std::isdigit(static_cast<unsigned char>(name.back())) != 0)
            name += '_';
        name += wordStart ? static_cast<char>(std::toupper(u)) : c;
        wordStart = false;
    }
    return name.empty() ? "Empty" : name;
}

std::string CaseName(std::int64_t number)
{
    if (number >= 0)
        return std::to_string(number);
    // The magnitude of the most negative number does not fit its own type.
    return "Minus" + std::to_string(0 - static_cast<std::uint64_t>(number));
}

std::string HexName(std::uint32_t value)
{
    char text[9];
    (void)std::snprintf(text, sizeof text, "%08X", value);
    return text;
}
