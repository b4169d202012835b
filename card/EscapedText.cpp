#include "EscapedText.h"

#include <cstdio>
#include <cstdlib>

std::string EscapedText(const char* text, std::size_t size)
{
    std::string shown;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            (void)std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += byte == '\\' ? "\\\\" : std::string(1, text[i]);
        }
    }
    return shown;
}

std::string CardLockName(const char* machineDefault)
{
    const char* name = std::getenv("RELAYTEST_LOCK");
    return name != nullptr && *name != '\0' ? name : machineDefault;
}
