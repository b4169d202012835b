// One way to run a program as a child process (POSIX): with a chosen standard
// input, standard output and environment, read while it runs, waited for with
// a deadline after which it is killed. Used by the whole-run, console and
// crash tests, relaylog's tests and the benchmark.
#ifndef RELAYTEST_TESTS_SUPPORT_CHILD_H
#define RELAYTEST_TESTS_SUPPORT_CHILD_H

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

enum class ChildInput {
    DevNull,
    Closed,
    Text,      // a pipe that delivers inputText, then ends (empty text: a finished pipe)
    OpenPipe,  // a pipe that stays open, delivering nothing, until CloseInput
};

enum class ChildOutput {
    Pipe,            // read while it runs
    File,            // a scratch file, read once it has ended
    Path,            // outputPath, not read back
    PipeReaderGone,  // a pipe whose reading end is already closed
    DevFull,
    Closed,
};

struct ChildSpec {
    // cppcheck-suppress noExplicitConstructor ; every caller builds one from braces
    ChildSpec(std::vector<std::string> args, std::vector<std::string> environment = {},
              ChildInput in = ChildInput::DevNull, std::string text = {}, ChildOutput out = ChildOutput::Pipe)
        : argv(std::move(args)), env(std::move(environment)), input(in), inputText(std::move(text)), output(out)
    {
    }

    std::vector<std::string> argv;  // argv[0] is the program's path
    std::vector<std::string> env;   // NAME=value, on top of this process's environment; without
                                    // RELAYTEST_LOCK the child gets a card lock of its own
    ChildInput input = ChildInput::DevNull;
    std::string inputText;
    ChildOutput output = ChildOutput::Pipe;
    std::string outputPath;
    bool captureStderr = false;  // into ChildResult::err; otherwise standard error goes to /dev/null
};

struct ChildResult {
    bool ended = false;  // it exited or was killed by a signal before the deadline
    int exitCode = -1;   // when it exited
    int signal = 0;      // the signal that ended it, or 0
    std::string out;     // what reached a Pipe or File output
    std::string err;     // standard error, when captured
};

// Far beyond any honest run (the stuck-busy run writes 19 MB): only a hang
// reaches it.
inline constexpr std::chrono::seconds HangLimit{90};

class Child {
public:
    explicit Child(const ChildSpec& run);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    // Moves input and output along, and notes the child's end, for up to ms
    // milliseconds or until something happens.
    void Pump(int ms);
    // It has ended and its output pipe, if any, has been read to the end.
    bool Done() const { return result_.ended && out_ < 0; }
    // What has reached a Pipe or File output so far.
    const std::string& Out();
    void CloseInput();
    void Signal(int signal) const;
    // True while it is blocked reading its standard input (Linux).
    bool BlockedReadingInput() const;
    // True while it is blocked in the system call of this number (Linux).
    bool BlockedIn(long syscallNumber) const;
    // Waits for it to end, still reading its output; kills it at the deadline.
    ChildResult Wait(std::chrono::milliseconds deadline = HangLimit);
    // Sends the signal once its output so far satisfies ready (or not at all if
    // it ends first), then waits for it as Wait does.
    ChildResult SignalWhen(int signal, const std::function<bool(const std::string& out)>& ready);

private:
    void Reap();

    pid_t pid_ = -1;
    int in_ = -1;   // our end of its input pipe
    int out_ = -1;  // our end of its output pipe
    int exit_ = -1;  // readable once it has ended (a pidfd)
    int status_ = 0;
    std::string pendingInput_;
    std::string outFile_;
    std::string errFile_;
    std::string lockFile_;  // the card lock of its own, when the test named none
    ChildResult result_;
};

// Starts the child and waits for it.
ChildResult RunChild(const ChildSpec& run, std::chrono::milliseconds deadline = HangLimit);

#endif
