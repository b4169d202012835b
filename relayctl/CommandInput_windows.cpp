#include "CommandInput.h"

#include <cstdio>
#include <cstring>
#include <io.h>
#include <windows.h>

#include "StopRequest.h"

namespace {

// Ctrl+C ends a console read at once, and the control handler, on a thread
// of its own, notes the request a moment later: the session waits that long
// before it takes a failed read for the end of input.
constexpr DWORD HandlerMillis = 100;

}  // namespace

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

InputResult ReadCommandLine(char* line, std::size_t size)
{
    char part[512];
    std::size_t length = 0;
    bool cut = false;
    line[0] = '\0';
    while (std::fgets(part, sizeof part, stdin) != nullptr) {
        const std::size_t got = std::strlen(part);
        const bool end = got > 0 && part[got - 1] == '\n';
        for (std::size_t k = 0; k < got - (end ? 1 : 0); ++k) {
            if (length + 1 < size)
                line[length++] = part[k];
            else
                cut = true;
        }
        line[length] = '\0';
        if (end)
            return StopRequested() ? InputResult::Stopped : cut ? InputResult::TooLong : InputResult::Line;
    }
    if (std::ferror(stdin) != 0 && !StopRequested())
        Sleep(HandlerMillis);
    if (StopRequested())
        return InputResult::Stopped;
    return length > 0 ? (cut ? InputResult::TooLong : InputResult::Line) : InputResult::End;
}
