// A wiring file's bytes on Windows. What the path names is looked at before
// it is opened (a folder cannot even be opened as a file, and a device name
// such as CON or NUL is not to be read), and what was opened is asked its
// type again: only a file on a disk is read.
#include "WiringFileOpen.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

bool ReadWiringBytes(const std::string& path, std::size_t most, std::string& text, std::string& why)
{
    struct _stat64 st {};
    if (_stat64(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        why = (st.st_mode & _S_IFMT) == _S_IFDIR ? "not a regular file (a directory)" : "not a regular file (a device)";
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = "cannot be opened (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    const DWORD type = GetFileType(file);
    bool ok = type == FILE_TYPE_DISK;
    if (!ok)
        why = type == FILE_TYPE_PIPE ? "not a regular file (a pipe)" : "not a regular file (a device)";
    char buffer[16384];
    text.clear();
    while (ok && text.size() < most) {
        const std::size_t left = most - text.size();
        DWORD got = 0;
        if (!ReadFile(file, buffer, static_cast<DWORD>(left < sizeof buffer ? left : sizeof buffer), &got, nullptr)) {
            why = "cannot be read (error " + std::to_string(GetLastError()) + ")";
            ok = false;
        } else if (got == 0) {
            break;
        } else {
            text.append(buffer, got);
        }
    }
    (void)CloseHandle(file);
    return ok;
}
