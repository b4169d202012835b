#include "ConsoleSetup.h"

#include <cstdio>

namespace {
char OutputBuffer[64 * 1024];
}  // namespace

void PrepareConsole()
{
    // A console process gets no signal for a closed pipe or a full disk: the
    // write fails and the pass carries on.

    // The record is what the engineer keeps, so it must survive the run dying,
    // and it must keep up with the console. On a console the C runtime gives
    // standard output no buffer that outlives a call: printf flushes after
    // every call (and the C99 printf of mingw-w64 builds writes one character
    // at a time), so a controller stuck busy would make millions of console
    // writes. Standard output gets one 64 KiB buffer instead, and the program
    // flushes it each time it has finished a line: every complete line is out
    // of the process before the next driver call, and an access violation in
    // the driver, Ctrl+C or a closed window loses at most the line under way
    // (the busy traces of the current wait).
    (void)std::setvbuf(stdout, OutputBuffer, _IOFBF, sizeof OutputBuffer);
}
