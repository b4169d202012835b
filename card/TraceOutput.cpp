#include "TraceOutput.h"

#include <cerrno>
#include <cstdarg>

namespace {

int FirstError = 0;
bool Failed = false;
bool Named = false;
std::FILE* Stream = nullptr;

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

std::FILE* TraceStream() { return Named ? Stream : stdout; }

void SetTraceStream(std::FILE* stream)
{
    Named = true;
    Stream = stream;
    Failed = false;
    FirstError = 0;
}

int TracePrintf(const char* format, ...)  // NOLINT(cert-dcl50-cpp): printf-style by design, forwards to vfprintf
{
    std::FILE* stream = TraceStream();
    if (stream == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    const int printed = std::vfprintf(stream, format, args);
    va_end(args);
    return printed;
}

void TracePutChar(char c)
{
    std::FILE* stream = TraceStream();
    if (stream != nullptr)
        (void)std::putc(c, stream);
}

void EndTraceLine()
{
    std::FILE* stream = TraceStream();
    if (stream == nullptr)
        return;
    errno = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream) != 0)
        NoteFailure();
}

void CheckTraceWrite(int printed)
{
    if (printed < 0)
        NoteFailure();
}

bool TraceWriteFailed() { return Failed; }

int TraceWriteError() { return FirstError; }
