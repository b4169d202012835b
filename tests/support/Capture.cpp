#include "Capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// The Windows test build (mingw-w64, run under wine) keeps the scratch file in
// the working directory; mkstemp opens it in binary mode there, so the capture
// holds the bytes the program formatted, before any text-mode translation.
#ifdef _WIN32
constexpr char ScratchTemplate[] = "relaytest-capture-XXXXXX";
constexpr char NullDevice[] = "NUL";
#else
constexpr char ScratchTemplate[] = "/tmp/relaytest-capture-XXXXXX";
constexpr char NullDevice[] = "/dev/null";
#endif

char scratchPath[sizeof ScratchTemplate];

int Scratch()
{
    static const int fd = [] {
#ifdef __linux__
        // In memory: nothing to remove, no file system in the way.
        const int memory = memfd_create("relaytest-capture", MFD_CLOEXEC);
        if (memory >= 0)
            return memory;
#endif
        std::memcpy(scratchPath, ScratchTemplate, sizeof scratchPath);
        const int made = mkstemp(scratchPath);
        // Windows cannot remove a file that is open: it goes at exit.
        (void)std::atexit([] { (void)std::remove(scratchPath); });
        return made;
    }();
    return fd;
}

const std::string& ReadBack(int fd)
{
    static std::string text;
    const off_t size = lseek(fd, 0, SEEK_END);
    text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    (void)lseek(fd, 0, SEEK_SET);
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = read(fd, &text[done], static_cast<unsigned>(text.size() - done));
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    text.resize(done);
    return text;
}

}  // namespace

const std::string& CaptureStdout(const std::function<void()>& fn)
{
    const int fd = Scratch();
    std::cout.flush();
    (void)std::fflush(stdout);
    (void)ftruncate(fd, 0);
    (void)lseek(fd, 0, SEEK_SET);
    const int savedOut = dup(1);
    const int savedIn = dup(0);
    const int nullIn = open(NullDevice, O_RDONLY);
    dup2(fd, 1);
    dup2(nullIn, 0);
    close(nullIn);

    fn();

    std::cout.flush();
    (void)std::fflush(stdout);
    std::clearerr(stdin);
    dup2(savedOut, 1);
    dup2(savedIn, 0);
    close(savedOut);
    close(savedIn);
    return ReadBack(fd);
}
