#include "CommandInput.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

#include "StopRequest.h"

namespace {

// What has been read of standard input and not yet handed out.
char Pending[4096];
std::size_t PendingUsed = 0;
bool InputEnded = false;

// The stop handler does not interrupt a plain read (it restarts), but it ends
// poll's wait at once; the timeout only covers a signal that comes between
// the look at the flag and the start of the wait.
constexpr int PollMillis = 250;

// Waits until standard input has something (or has ended), and takes it into
// Pending, which is empty by then. False when a stop was asked for first.
bool ReadMore()
{
    for (;;) {
        if (StopRequested())
            return false;
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, PollMillis);
        if (ready == 0 || (ready < 0 && errno == EINTR))
            continue;
        const ssize_t got = ready < 0 ? -1 : read(STDIN_FILENO, Pending, sizeof Pending);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            InputEnded = true;
        else
            PendingUsed += static_cast<std::size_t>(got);
        return true;
    }
}

}  // namespace

bool InputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

InputResult ReadCommandLine(char* line, std::size_t size)
{
    std::size_t length = 0;
    bool cut = false;
    for (;;) {
        std::size_t taken = 0;
        bool end = false;
        while (taken < PendingUsed && !end) {
            const char c = Pending[taken++];
            end = c == '\n';
            if (!end && length + 1 < size)
                line[length++] = c;
            else if (!end)
                cut = true;
        }
        PendingUsed -= taken;
        std::memmove(Pending, Pending + taken, PendingUsed);
        line[length] = '\0';
        const InputResult got = cut                                 ? InputResult::TooLong
                                : HoldsControlByte(line, length) ? InputResult::ControlByte
                                                                 : InputResult::Line;
        if (end)
            return StopRequested() ? InputResult::Stopped : got;
        if (InputEnded && StopRequested())
            return InputResult::Stopped;
        if (InputEnded)
            return length > 0 ? got : InputResult::End;
        if (!ReadMore())
            return InputResult::Stopped;
    }
}
