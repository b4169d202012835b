// The card lock on POSIX: flock on a lock file every user can open. The lock
// file lives in a folder everyone writes to (/tmp), so it is opened with care:
// never through a symbolic link, never a FIFO or device (and without blocking
// on one), never truncated by whoever merely opens it. flock belongs to the
// open file: when the holder ends, however it ends, the kernel lets it go.
//
// The holder writes one line into the file once the lock is its own,
// "relaysweep (process 1234) since 2026-12-09 07:45:12", and clears it when it
// lets go; a waiter reads that line to say who holds the card. A file that
// holds anything else is not a lock file (RELAYTEST_LOCK naming the wrong
// file): it is refused, never written.
//
// The lock is this process's alone. A child forked while it is held (Python's
// multiprocessing) would share the open file and so the flock: it would keep
// the card held after its parent died, and its ReleaseCard would unlock the
// parent's card mid-session. The child therefore closes its copy at once,
// unlocking nothing, and holds no card; exec closes it too (O_CLOEXEC).
#include "CardLock.h"
#include "CardLockProblem.h"
#include "EscapedText.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* DefaultLockPath = "/tmp/relaytest-card0.lock";
constexpr std::chrono::milliseconds PollInterval{50};
constexpr std::size_t HolderLineMax = 200;

int lockFd = -1;
std::string holder;

void NoteFailed(const std::string& path, const char* reason)
{
    NoteLockProblem("the card lock \"%s\" cannot be used: %s",
                       EscapedText(path.data(), path.size()).c_str(), reason);
}

// Opens (or makes) the lock file; -1, having said why, when it cannot be used.
int OpenLockFile(const std::string& path)
{
    constexpr int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = -1;
    bool created = false;
    // O_EXCL tells whether this process made the file. One that is removed
    // between the two opens is simply made again.
    for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        fd = open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST) {
            fd = open(path.c_str(), flags);
            // A file another user made without write access for all can
            // still be locked, only not written into.
            if (fd < 0 && errno == EACCES)
                fd = open(path.c_str(), (flags & ~O_RDWR) | O_RDONLY);
        }
        if (fd < 0 && errno != ENOENT)
            break;
    }
    if (fd < 0) {
        NoteFailed(path, errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        NoteFailed(path, "it is not a regular file");
        (void)close(fd);
        return -1;
    }
    // Whoever runs next, as any user, must be able to lock it too (the umask
    // would take that away).
    if (created)
        (void)fchmod(fd, 0666);
    return fd;
}

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&now, &local) != nullptr)
        (void)std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// A holder's line as WriteHolderLine writes it: "NAME (process PID) since
// TIME" and a line end, nothing else, NAME without control bytes, TIME of
// digits, '-', ':' and blanks.
bool IsHolderLine(const std::string& text)
{
    const std::size_t at = text.find(" (process ");
    const std::size_t digits = at == std::string::npos ? at : text.find_first_not_of("0123456789", at + 10);
    const std::size_t time = digits == std::string::npos ? digits : digits + 8;
    if (text.size() > HolderLineMax || at == 0 || time >= text.size() || digits == at + 10 ||
        text.compare(digits, 8, ") since ") != 0)
        return false;
    for (std::size_t i = 0; i < at; ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F)
            return false;
    }
    return text.find_first_not_of("0123456789-: ", time) == text.size() - 1 && text.back() == '\n';
}

// Whether the file may take this process's holder line: it is empty, or it
// holds a holder's line (this process's, or one left by a holder that died).
bool OursToWrite(int fd)
{
    char buffer[HolderLineMax + 1];
    const ssize_t n = pread(fd, buffer, sizeof buffer, 0);
    return n == 0 || (n > 0 && IsHolderLine(std::string(buffer, static_cast<std::size_t>(n))));
}

void WriteHolderLine(int fd, const char* program)
{
    const std::string line = std::string(program) + " (process " + std::to_string(getpid()) + ") since " +
                             LocalTimeNow() + "\n";
    if (ftruncate(fd, 0) == 0)
        (void)pwrite(fd, line.data(), line.size(), 0);
}

// The holder's line as written, escaped. Empty when there is none.
std::string ReadHolderLine(int fd)
{
    char buffer[HolderLineMax];
    const ssize_t n = pread(fd, buffer, sizeof buffer, 0);
    const std::size_t size = n > 0 ? static_cast<std::size_t>(n) : 0;
    const void* end = std::memchr(buffer, '\n', size);
    return EscapedText(buffer, end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : size);
}

// True while the process the line names may still run: a line left by a
// holder that died is no answer.
bool HolderAlive(const std::string& line)
{
    const std::size_t at = line.find(" (process ");
    if (at == std::string::npos)
        return false;
    const long pid = std::strtol(line.c_str() + at + 10, nullptr, 10);
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The holder, named. A new holder may not have written its line yet, or a dead
// one's may still be there: look again for a moment before giving up a name.
std::string NameHolder(int fd)
{
    for (int look = 0; look < 10; ++look) {
        std::string line = ReadHolderLine(fd);
        if (!line.empty() && HolderAlive(line))
            return line;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "another program";
}

bool TryLock(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

// In a forked child: its copy of the lock goes, unlocking nothing (the
// parent's open file keeps the flock), and it holds no card.
extern "C" void ForgetLockInChild()
{
    if (lockFd >= 0)
        (void)close(lockFd);
    lockFd = -1;
}

// Waits for the lock: for ever, or polling until the deadline.
bool WaitForLock(int fd, int waitSeconds)
{
    if (waitSeconds == WaitForever) {
        int r = 0;
        do
            r = flock(fd, LOCK_EX);
        while (r != 0 && errno == EINTR);
        return r == 0;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(PollInterval);
        if (TryLock(fd))
            return true;
    }
    return TryLock(fd);
}

}  // namespace

CardLockResult TakeCard(const char* program, int waitSeconds, CardWaitNotice notice)
{
    if (lockFd >= 0)
        return CardLockResult::Taken;
    static const bool forgetInChild = pthread_atfork(nullptr, nullptr, ForgetLockInChild) == 0;
    (void)forgetInChild;
    holder.clear();
    const std::string path = CardLockName(DefaultLockPath);
    const int fd = OpenLockFile(path);
    if (fd < 0)
        return CardLockResult::Failed;
    if (!TryLock(fd)) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            NoteFailed(path, std::strerror(errno));
            (void)close(fd);
            return CardLockResult::Failed;
        }
        holder = NameHolder(fd);
        if (notice != nullptr && waitSeconds != 0)
            notice(holder.c_str(), waitSeconds);
        if (!WaitForLock(fd, waitSeconds < 0 ? WaitForever : waitSeconds)) {
            (void)close(fd);
            return CardLockResult::TimedOut;
        }
    }
    // Looked at only now: while the card was held its holder was writing.
    if (!OursToWrite(fd)) {
        NoteFailed(path, "it holds something else");
        (void)close(fd);
        return CardLockResult::Failed;
    }
    WriteHolderLine(fd, program);
    lockFd = fd;
    return CardLockResult::Taken;
}

const char* CardHolder() { return holder.c_str(); }

void ReleaseCard()
{
    if (lockFd < 0)
        return;
    (void)ftruncate(lockFd, 0);
    (void)flock(lockFd, LOCK_UN);
    (void)close(lockFd);
    lockFd = -1;
}
