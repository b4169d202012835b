// A wiring file's bytes on POSIX. What the path names is looked at before it
// is opened, so that a device is never opened (opening some of them does
// something) and a FIFO never waited on; what was opened is looked at again,
// as the path may have changed in between, and it is opened without blocking
// in case it did.
#include "WiringFileOpen.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether the file is a regular one; why not when it is not.
bool Regular(const struct stat& st, std::string& why)
{
    if (S_ISREG(st.st_mode))
        return true;
    const char* kind = S_ISDIR(st.st_mode)                          ? "a directory"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                       : S_ISFIFO(st.st_mode)                       ? "a FIFO"
                       : S_ISSOCK(st.st_mode)                       ? "a socket"
                                                                    : "not a file";
    why = std::string("not a regular file (") + kind + ")";
    return false;
}

bool ReadAll(int fd, std::size_t most, std::string& text, std::string& why)
{
    char buffer[16384];
    text.clear();
    while (text.size() < most) {
        const std::size_t wanted = most - text.size() < sizeof buffer ? most - text.size() : sizeof buffer;
        const ssize_t n = read(fd, buffer, wanted);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = std::strerror(errno);
            return false;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool ReadWiringBytes(const std::string& path, std::size_t most, std::string& text, std::string& why)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!Regular(st, why))
        return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    bool ok = fstat(fd, &st) == 0;
    if (!ok)
        why = std::strerror(errno);
    ok = ok && Regular(st, why) && ReadAll(fd, most, text, why);
    (void)close(fd);
    return ok;
}
