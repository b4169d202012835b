// Files on POSIX: a file is its device and inode.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "ReportFiles.h"

namespace relaylog {

namespace {

FileId IdOf(int status, const struct stat& about)
{
    if (status != 0)
        return {};
    return {true, static_cast<std::uint64_t>(about.st_dev), static_cast<std::uint64_t>(about.st_ino)};
}

}  // namespace

FileId IdentityOf(const std::string& path)
{
    struct stat about {};
    return IdOf(::stat(path.c_str(), &about), about);
}

FileId IdentityOfStandardInput()
{
    struct stat about {};
    const int status = ::fstat(0, &about);
    // A pipe or a terminal is no file a report could be written to.
    return IdOf(status == 0 && S_ISREG(about.st_mode) ? 0 : -1, about);
}

std::string NameKey(std::string path) { return path; }

bool RenameOver(const std::string& from, const std::string& to, std::string& reason)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    reason = std::strerror(errno);
    return false;
}

void SetBinaryInput() {}

}  // namespace relaylog
