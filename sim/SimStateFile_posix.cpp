#include "SimStateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The lock file stays open for the process's life: a sweep locks it for
// every push and fetch.
int lockFd = -1;
std::string lockPath;

}  // namespace

bool LockSimStateFile(const std::string& path, std::string& error)
{
    const std::string wanted = path + ".lock";
    if (lockFd >= 0 && lockPath != wanted) {
        (void)close(lockFd);
        lockFd = -1;
    }
    if (lockFd < 0) {
        lockFd = open(wanted.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
        if (lockFd < 0) {
            error = "lock file \"" + wanted + "\" cannot be opened: " + std::strerror(errno);
            return false;
        }
        lockPath = wanted;
    }
    int r = 0;
    do
        r = flock(lockFd, LOCK_EX);
    while (r != 0 && errno == EINTR);
    if (r != 0)
        error = "lock file \"" + wanted + "\" cannot be locked: " + std::strerror(errno);
    return r == 0;
}

void UnlockSimStateFile()
{
    if (lockFd >= 0)
        (void)flock(lockFd, LOCK_UN);
}

bool ReplaceSimStateFile(const std::string& from, const std::string& to, std::string& error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = "\"" + from + "\" cannot be renamed to \"" + to + "\": " + std::strerror(errno);
    (void)std::remove(from.c_str());
    return false;
}
