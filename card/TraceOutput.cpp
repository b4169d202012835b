#include "TraceOutput.h"

#include <cerrno>
#include <cstdio>

namespace {

int FirstError = 0;
bool Failed = false;

void NoteFailure()
{
    if (Failed)
        return;
    Failed = true;
    // A failure found by ferror alone (a write inside printf) may have no
    // error number left: "an input/output error" is what it was.
    FirstError = errno != 0 ? errno : EIO;
}

}  // namespace

void EndTraceLine()
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        NoteFailure();
}

void CheckTraceWrite(int printed)
{
    if (printed < 0)
        NoteFailure();
}

bool TraceWriteFailed() { return Failed; }

int TraceWriteError() { return FirstError; }
