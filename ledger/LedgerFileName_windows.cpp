// A ledger's path as SQLite opens it. The programs get their paths from the
// command line and the environment in the ANSI code page, and open every
// other file (wiring, record) with it; SQLite takes a file name in UTF-8.
// "C:\Prüfstand\station.ledger" given in Windows-1252 is not UTF-8: passed as
// it is, SQLite would look for another folder. So it is converted, through
// UTF-16, as Windows itself would read it.
#include "LedgerStore.h"

#include <windows.h>

std::string LedgerFileName(const std::string& path)
{
    if (path.empty())
        return path;
    const int length = static_cast<int>(path.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, path.data(), length, nullptr, 0);
    if (wide <= 0)
        return path;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    (void)MultiByteToWideChar(CP_ACP, 0, path.data(), length, text.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return path;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    (void)WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}
