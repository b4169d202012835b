#include "CardLockProblem.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "CardLock.h"

namespace {
std::string Problem;
}  // namespace

const char* CardLockProblem() { return Problem.c_str(); }

void NoteLockProblem(const char* format, ...)  // NOLINT(cert-dcl50-cpp): printf-style by design, formats with vsnprintf
{
    char line[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Problem.assign(length < 0 ? "the card lock cannot be used" : line);
}
