#include "CommandInput.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

#include "StopRequest.h"

namespace {

// Ctrl+C ends a console read at once, and the control handler, on a thread
// of its own, notes the request a moment later: the session waits that long
// before it takes a failed read for the end of input.
constexpr DWORD HandlerMillis = 100;

InputResult Verdict(const char* line, std::size_t length, bool cut)
{
    if (cut)
        return InputResult::TooLong;
    return HoldsControlByte(line, length) ? InputResult::ControlByte : InputResult::Line;
}

}  // namespace

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

// Byte by byte, so that a NUL in the line is seen and not taken for its end.
InputResult ReadCommandLine(char* line, std::size_t size)
{
    std::size_t length = 0;
    bool cut = false;
    line[0] = '\0';
    int c = 0;
    while ((c = std::getchar()) != EOF) {
        if (c == '\n') {
            line[length] = '\0';
            return StopRequested() ? InputResult::Stopped : Verdict(line, length, cut);
        }
        if (length + 1 < size)
            line[length++] = static_cast<char>(c);
        else
            cut = true;
    }
    line[length] = '\0';
    if (std::ferror(stdin) != 0 && !StopRequested())
        Sleep(HandlerMillis);
    if (StopRequested())
        return InputResult::Stopped;
    return length > 0 || cut ? Verdict(line, length, cut) : InputResult::End;
}
