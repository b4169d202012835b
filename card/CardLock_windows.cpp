// The card lock on Windows: a named mutex. Windows lets it go when its holder
// ends, however it ends, and the next waiter gets it "abandoned": the holder
// died, the card is free, and it counts as taken.
//
// The holder's line, "relaysweep (process 1234) since 2026-12-09 07:45:12",
// lives in a small named file mapping beside the mutex (its name with
// "-holder" after it: a mutex and a mapping cannot share a name). The holder
// writes it once the mutex is its own and clears it when it lets go; a waiter
// reads it to say who holds the card.
//
// A child process never holds the card through its parent: Windows has no
// fork, a mutex is owned by the thread that took it (only that thread can
// release it), and its handle is made not inheritable (no security
// attributes), so CreateProcess hands it to no child even when asked to
// inherit handles. A child that wants the card takes it as any program does;
// when the holder ends, the mutex is abandoned and free.
// RELAYTEST_LOCK names an object, never a file, so there is no file of
// someone else's to overwrite here.
#include "CardLock.h"
#include "CardLockProblem.h"
#include "EscapedText.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* DefaultLockName = "Local\\relaytest-card0";
constexpr DWORD HolderSize = 256;

HANDLE mutex = nullptr;
HANDLE mapping = nullptr;
char* holderView = nullptr;
std::string holder;

void NoteFailed(const std::string& name, DWORD error)
{
    char reason[256] = "";
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                   reason, sizeof reason, nullptr);
    std::size_t length = n;
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
        --length;
    reason[length] = '\0';
    NoteLockProblem("the card lock \"%s\" cannot be used: %s (error %lu)",
                       EscapedText(name.data(), name.size()).c_str(), length > 0 ? reason : "the system refused it",
                       static_cast<unsigned long>(error));
}

// The mapping that carries the holder's line; without it the holder is only
// "another program", and the lock works as well.
void OpenHolderMapping(const std::string& name)
{
    const std::string mappingName = name + "-holder";
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, HolderSize, mappingName.c_str());
    if (mapping == nullptr)
        return;
    holderView = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, HolderSize));
    if (holderView == nullptr) {
        (void)CloseHandle(mapping);
        mapping = nullptr;
    }
}

void CloseHolderMapping()
{
    if (holderView != nullptr)
        (void)UnmapViewOfFile(holderView);
    if (mapping != nullptr)
        (void)CloseHandle(mapping);
    holderView = nullptr;
    mapping = nullptr;
}

void WriteHolderLine(const char* program)
{
    if (holderView == nullptr)
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char line[HolderSize];
    (void)std::snprintf(line, sizeof line, "%s (process %lu) since %04u-%02u-%02u %02u:%02u:%02u", program,
                        static_cast<unsigned long>(GetCurrentProcessId()), now.wYear, now.wMonth, now.wDay,
                        now.wHour, now.wMinute, now.wSecond);
    std::memcpy(holderView, line, sizeof line);
}

// The holder's line as written, escaped. Empty when there is none.
std::string ReadHolderLine()
{
    if (holderView == nullptr)
        return {};
    const void* end = std::memchr(holderView, '\0', HolderSize);
    return EscapedText(holderView, end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - holderView)
                                              : HolderSize);
}

// A new holder may not have written its line yet: look again for a moment.
std::string NameHolder()
{
    for (int look = 0; look < 10; ++look) {
        std::string line = ReadHolderLine();
        if (!line.empty())
            return line;
        Sleep(10);
    }
    return "another program";
}

void CloseAll()
{
    CloseHolderMapping();
    if (mutex != nullptr)
        (void)CloseHandle(mutex);
    mutex = nullptr;
}

}  // namespace

CardLockResult TakeCard(const char* program, int waitSeconds, CardWaitNotice notice)
{
    if (mutex != nullptr)
        return CardLockResult::Taken;
    holder.clear();
    const std::string name = CardLockName(DefaultLockName);
    mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        NoteFailed(name, GetLastError());
        return CardLockResult::Failed;
    }
    OpenHolderMapping(name);
    DWORD result = WaitForSingleObject(mutex, 0);
    if (result == WAIT_TIMEOUT) {
        holder = NameHolder();
        if (notice != nullptr && waitSeconds != 0)
            notice(holder.c_str(), waitSeconds);
        const DWORD limit = waitSeconds < 0 ? INFINITE : static_cast<DWORD>(waitSeconds) * 1000;
        result = WaitForSingleObject(mutex, limit);
    }
    // Abandoned: the holder ended without letting go. The card is free.
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        WriteHolderLine(program);
        return CardLockResult::Taken;
    }
    const DWORD error = GetLastError();
    CloseAll();
    if (result == WAIT_TIMEOUT)
        return CardLockResult::TimedOut;
    NoteFailed(name, error);
    return CardLockResult::Failed;
}

const char* CardHolder() { return holder.c_str(); }

void ReleaseCard()
{
    if (mutex == nullptr)
        return;
    if (holderView != nullptr)
        holderView[0] = '\0';
    (void)ReleaseMutex(mutex);
    CloseAll();
}
