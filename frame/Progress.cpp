#include "Progress.h"

#include <chrono>
#include <cstdio>

#include "Frame.h"
#include "Terminal.h"

namespace {

constexpr std::chrono::milliseconds Interval{250};

int Shown = -1;  // -1: not decided yet; 0: not shown; else the line's width
std::chrono::steady_clock::time_point Last;

}  // namespace

void ShowProgress(int done, int total, const char* what)
{
    if (Shown < 0)
        Shown = ErrorIsTerminal() && !OutputIsTerminal() ? 1 : 0;
    if (Shown == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (Shown > 1 && now - Last < Interval)
        return;
    Last = now;
    const int width = std::fprintf(stderr, "\r%s: %d of %d, %s ", FrameProgramName(), done, total, what);
    Shown = width > Shown ? width : Shown;
    (void)std::fflush(stderr);
}

void EndProgress()
{
    if (Shown > 1)
        (void)std::fprintf(stderr, "\r%*s\r", Shown - 1, "");
    (void)std::fflush(stderr);
    Shown = Shown > 0 ? 1 : Shown;
}
