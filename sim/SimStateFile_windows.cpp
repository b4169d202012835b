#include "SimStateFile.h"

#include <windows.h>

#include <cstdio>

namespace {

// The lock file stays open for the process's life: a sweep locks it for
// every push and fetch.
HANDLE lockFile = INVALID_HANDLE_VALUE;
std::string lockPath;

std::string ErrorText(DWORD error) { return "error " + std::to_string(error); }

}  // namespace

bool LockSimStateFile(const std::string& path, std::string& error)
{
    const std::string wanted = path + ".lock";
    if (lockFile != INVALID_HANDLE_VALUE && lockPath != wanted) {
        (void)CloseHandle(lockFile);
        lockFile = INVALID_HANDLE_VALUE;
    }
    if (lockFile == INVALID_HANDLE_VALUE) {
        lockFile = CreateFileA(wanted.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (lockFile == INVALID_HANDLE_VALUE) {
            error = "lock file \"" + wanted + "\" cannot be opened: " + ErrorText(GetLastError());
            return false;
        }
        lockPath = wanted;
    }
    OVERLAPPED at{};
    if (LockFileEx(lockFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
        return true;
    error = "lock file \"" + wanted + "\" cannot be locked: " + ErrorText(GetLastError());
    return false;
}

void UnlockSimStateFile()
{
    OVERLAPPED at{};
    if (lockFile != INVALID_HANDLE_VALUE)
        (void)UnlockFileEx(lockFile, 0, 1, 0, &at);
}

bool ReplaceSimStateFile(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    error = "\"" + from + "\" cannot be renamed to \"" + to + "\": " + ErrorText(GetLastError());
    (void)DeleteFileA(from.c_str());
    return false;
}
