#include "Child.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "Transcript.h"

namespace {

// The child's environment: ours, with the given names replaced or added. A
// station's RELAYTEST_WIRING is left out: it would change every record; a
// test that wants a wiring file sets it.
std::vector<std::string> Environment(const std::vector<std::string>& overrides)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = entry.compare(0, 17, "RELAYTEST_WIRING=") == 0;
        for (const std::string& o : overrides)
            replaced = replaced || entry.compare(0, o.find('=') + 1, o, 0, o.find('=') + 1) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

// Every child gets a card lock of its own, so that tests running at once do
// not wait for each other, unless the test names one itself (two children
// meant to share a card). The file is made here and removed with the Child.
bool NamesLock(const std::vector<std::string>& env)
{
    for (const std::string& e : env) {
        if (e.compare(0, 15, "RELAYTEST_LOCK=") == 0)
            return true;
    }
    return false;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// A scratch file for what the child writes, removed with the Child.
int ScratchFile(std::string& path)
{
    char name[] = "/tmp/relaytest-child-XXXXXX";
    const int fd = mkostemp(name, O_CLOEXEC);
    path = name;
    return fd;
}

// The descriptor that becomes the child's standard output, or -1 for none.
int OutputFor(const ChildSpec& run, std::string& file, int& readEnd)
{
    int fds[2] = {-1, -1};
    switch (run.output) {
    case ChildOutput::Pipe:
    case ChildOutput::PipeReaderGone:
        if (pipe2(fds, O_CLOEXEC) != 0)
            return -1;
        if (run.output == ChildOutput::Pipe)
            readEnd = fds[0];
        else
            close(fds[0]);
        return fds[1];
    case ChildOutput::File: return ScratchFile(file);
    case ChildOutput::Path: return open(run.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    case ChildOutput::DevFull: return open("/dev/full", O_WRONLY | O_CLOEXEC);
    case ChildOutput::Closed: break;
    }
    return -1;
}

// The descriptor that becomes the child's standard input, or -1 for none.
int InputFor(const ChildSpec& run, int& writeEnd)
{
    if (run.input == ChildInput::Closed)
        return -1;
    if (run.input == ChildInput::DevNull)
        return open("/dev/null", O_RDONLY | O_CLOEXEC);
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    writeEnd = fds[1];
    return fds[0];
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void Exec(int in, int out, int err, char** argv, char** envp)
{
    // As on an operator's console: default dispositions (an inherited one
    // would hide what the program itself does), nothing blocked, and no core
    // file left behind by a crash.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGSEGV})
        (void)signal(s, SIG_DFL);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // Opened before 0 and 1 are closed: it must not take the place of a
    // standard input or output that is meant to be closed.
    const int errFd = err >= 0 ? err : open("/dev/null", O_WRONLY);
    if (in < 0)
        close(0);
    else
        dup2(in, 0);
    if (out < 0)
        close(1);
    else
        dup2(out, 1);
    dup2(errFd, 2);
    execve(argv[0], argv, envp);
    _exit(127);
}

}  // namespace

Child::Child(const ChildSpec& run) : pendingInput_(run.inputText)
{
    const int out = OutputFor(run, outFile_, out_);
    const int in = InputFor(run, in_);
    const int err = run.captureStderr ? ScratchFile(errFile_) : -1;
    std::vector<std::string> args = run.argv;
    std::vector<std::string> overrides = run.env;
    if (!NamesLock(overrides)) {
        const int lock = ScratchFile(lockFile_);
        if (lock >= 0)
            close(lock);
        overrides.push_back("RELAYTEST_LOCK=" + lockFile_);
    }
    std::vector<std::string> env = Environment(overrides);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    pid_ = fork();
    if (pid_ == 0)
        Exec(in, out, err, argv.data(), envp.data());
    for (int fd : {in, out, err}) {
        if (fd >= 0)
            close(fd);
    }
    if (pid_ > 0)
        exit_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (in_ >= 0 && run.input == ChildInput::Text) {
        (void)fcntl(in_, F_SETFL, O_NONBLOCK);
        if (pendingInput_.empty())
            CloseInput();
    }
}

Child::~Child()
{
    if (pid_ > 0 && !result_.ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    CloseInput();
    for (int fd : {out_, exit_}) {
        if (fd >= 0)
            close(fd);
    }
    for (const std::string& file : {outFile_, errFile_, lockFile_}) {
        if (!file.empty())
            unlink(file.c_str());
    }
}

void Child::Reap()
{
    if (pid_ > 0 && !result_.ended && waitpid(pid_, &status_, WNOHANG) == pid_) {
        result_.ended = true;
        if (exit_ >= 0)
            close(exit_);
        exit_ = -1;
    }
}

void Child::Pump(int ms)
{
    pollfd fds[3] = {{out_, POLLIN, 0}, {pendingInput_.empty() ? -1 : in_, POLLOUT, 0}, {exit_, POLLIN, 0}};
    if (exit_ < 0 && !result_.ended)
        ms = ms < 1 ? ms : 1;  // no pidfd: look again soon
    const int ready = poll(fds, 3, ms);
    Reap();
    if (ready <= 0)
        return;
    if (fds[1].revents != 0) {
        const ssize_t n = write(in_, pendingInput_.data(), pendingInput_.size());
        if (n > 0)
            pendingInput_.erase(0, static_cast<std::size_t>(n));
        if (n < 0 || pendingInput_.empty())
            CloseInput();
    }
    if (fds[0].revents != 0) {
        char buffer[65536];
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n > 0) {
            result_.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            close(out_);
            out_ = -1;
        }
    }
}

const std::string& Child::Out()
{
    if (!outFile_.empty())
        result_.out = ReadFile(outFile_);
    return result_.out;
}

void Child::CloseInput()
{
    if (in_ >= 0)
        close(in_);
    in_ = -1;
    pendingInput_.clear();
}

void Child::Signal(int signal) const
{
    if (pid_ > 0)
        kill(pid_, signal);
}

bool Child::BlockedReadingInput() const
{
    const std::string text = ReadFile("/proc/" + std::to_string(pid_) + "/syscall");
    const std::string readOnFd0 = std::to_string(SYS_read) + " 0x0 ";
    return text.compare(0, readOnFd0.size(), readOnFd0) == 0;
}

bool Child::BlockedIn(long syscallNumber) const
{
    const std::string text = ReadFile("/proc/" + std::to_string(pid_) + "/syscall");
    const std::string call = std::to_string(syscallNumber) + " ";
    return text.compare(0, call.size(), call) == 0;
}

ChildResult Child::Wait(std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    for (auto now = std::chrono::steady_clock::now(); !Done() && now < until; now = std::chrono::steady_clock::now())
        Pump(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()) + 1);
    if (pid_ > 0 && !result_.ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    const bool ended = result_.ended;
    result_.exitCode = ended && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    result_.signal = ended && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
    if (!outFile_.empty())
        result_.out = ReadFile(outFile_);
    if (!errFile_.empty())
        result_.err = ReadFile(errFile_);
    return result_;
}

ChildResult RunChild(const ChildSpec& run, std::chrono::milliseconds deadline)
{
    Child child(run);
    return child.Wait(deadline);
}

ChildResult Child::SignalWhen(int signal, const std::function<bool(const std::string& out)>& ready)
{
    const auto until = std::chrono::steady_clock::now() + HangLimit;
    while (!Done() && std::chrono::steady_clock::now() < until) {
        Pump(5);
        if (ready(Out())) {
            Signal(signal);
            break;
        }
    }
    return Wait();
}
