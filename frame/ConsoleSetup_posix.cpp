#include "ConsoleSetup.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
char OutputBuffer[64 * 1024];
}  // namespace

void PrepareConsole()
{
    // A standard stream the program was started without keeps its number
    // taken, by /dev/null opened for reading: a write to it still fails as on
    // a closed one, and the next file the program opens (the card lock, the
    // simulated card's state) cannot become its standard output and receive
    // the record.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int held = open("/dev/null", O_RDONLY);
            if (held >= 0 && held != fd) {
                (void)dup2(held, fd);
                (void)close(held);
            }
        }
    }

    // Writing to a pipe whose reader has gone (relaytest | head -3) raises
    // SIGPIPE, which would kill the run half-way with no exit status of its
    // own. Ignored, the write just fails and the pass carries on.
    (void)std::signal(SIGPIPE, SIG_IGN);

    // The record is what the engineer keeps, so it must survive the run dying.
    // Standard output gets one 64 KiB buffer, whatever it is (terminal, file,
    // pipe), and the program flushes it each time it has finished a line: every
    // complete line is out of the process before the next driver call, and a
    // crash in the driver or a fatal signal loses at most the line under way
    // (the busy traces of the current wait). A controller stuck busy still
    // costs one write per 64 KiB of its long lines, not one per trace.
    (void)std::setvbuf(stdout, OutputBuffer, _IOFBF, sizeof OutputBuffer);
}
