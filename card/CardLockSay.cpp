#include "CardLockSay.h"

#include <cstdarg>
#include <string>

#include "CardLock.h"

namespace {
bool Named = false;
std::FILE* Stream = nullptr;
std::string Last;
}  // namespace

void SetCardLockMessages(std::FILE* stream)
{
    Named = true;
    Stream = stream;
}

const char* LastCardLockMessage() { return Last.c_str(); }

void SayAboutLock(const char* format, ...)  // NOLINT(cert-dcl50-cpp): printf-style by design, formats with vsnprintf
{
    char line[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0)
        return;
    Last.assign(line);
    while (!Last.empty() && Last.back() == '\n')
        Last.pop_back();
    std::FILE* stream = Named ? Stream : stderr;
    if (stream == nullptr)
        return;
    (void)std::fputs(line, stream);
    (void)std::fflush(stream);
}
