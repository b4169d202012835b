#include "Record.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "TraceOutput.h"

void RecordLine(const char* format, ...)  // NOLINT(cert-dcl50-cpp): printf-style by design, forwards to vfprintf
{
    va_list args;
    va_start(args, format);
    std::FILE* stream = TraceStream();
    if (stream != nullptr)
        CheckTraceWrite(std::vfprintf(stream, format, args));
    va_end(args);
    EndTraceLine();
}

bool RecordLost() { return TraceWriteFailed(); }

const char* RecordLossReason() { return std::strerror(TraceWriteError()); }

bool CloseRecord()
{
    EndTraceLine();
    errno = 0;
    if (std::fclose(stdout) != 0 && !TraceWriteFailed()) {
        // fclose is the last write: noted through the same path.
        CheckTraceWrite(-1);
    }
    return !TraceWriteFailed();
}
