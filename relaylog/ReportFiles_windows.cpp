// Files on Windows: a file is its volume's serial number and its file index.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>

#include "ReportFiles.h"

namespace relaylog {

namespace {

FileId IdOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION about{};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &about))
        return {};
    return {true, about.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(about.nFileIndexHigh) << 32) | about.nFileIndexLow};
}

std::string SystemMessage(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

}  // namespace

FileId IdentityOf(const std::string& path)
{
    // Backup semantics: a folder opens too. Opening follows links.
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileId id = IdOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return id;
}

FileId IdentityOfStandardInput() { return IdOfHandle(GetStdHandle(STD_INPUT_HANDLE)); }

std::string NameKey(std::string path)
{
    for (char& c : path)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c == '/' ? '\\' : c;
    return path;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = SystemMessage(GetLastError());
    return false;
}

void SetBinaryInput() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace relaylog
