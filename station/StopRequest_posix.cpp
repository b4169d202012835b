#include "StopRequest.h"

#include <csignal>
#include <cstdlib>

namespace {

const int Watched[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t Requested = 0;  // the signal, or 0

// Nothing but the flag here: the program acts on it between driver accesses.
extern "C" void NoteStop(int signal) { Requested = signal; }

}  // namespace

void WatchStopRequests()
{
    struct sigaction action = {};
    action.sa_handler = NoteStop;
    (void)sigemptyset(&action.sa_mask);
    // Interrupted writes of the record and waits of the simulated card carry
    // on: the request is seen at the next check.
    action.sa_flags = SA_RESTART;
    for (const int signal : Watched) {
        // A signal the program was started with ignored stays ignored: whoever
        // ran it under nohup (or a CI runner that ignores SIGHUP) meant the
        // run to outlive the terminal.
        struct sigaction inherited = {};
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        (void)sigaction(signal, &action, nullptr);
    }
}

bool StopRequested() { return Requested != 0; }

const char* StopRequestName()
{
    switch (Requested) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "nothing";
    }
}

void StopAsRequested()
{
    const int signal = Requested != 0 ? static_cast<int>(Requested) : SIGTERM;
    (void)std::signal(signal, SIG_DFL);
    sigset_t unblock;
    (void)sigemptyset(&unblock);
    (void)sigaddset(&unblock, signal);
    (void)sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    (void)std::raise(signal);
    // Only if the default action did not end the process after all: the status
    // a shell gives a run ended by that signal.
    // cppcheck-suppress unreachableCode
    std::_Exit(128 + signal);
}
