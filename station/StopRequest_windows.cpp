#include "StopRequest.h"

#include <atomic>
#include <windows.h>

namespace {

// The status a process ends with when Ctrl+C ends it (STATUS_CONTROL_C_EXIT).
constexpr UINT ControlCExit = 0xC000013Au;

std::atomic<DWORD> Requested{0};  // the control event plus one, or 0

// Called on a thread of its own: a close event ends the process when this
// returns, so for that one it waits here until the main thread has opened the
// relays and ended the process itself.
BOOL WINAPI NoteStop(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    Requested.store(event + 1);
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

}  // namespace

// A process started with Ctrl+C ignored (CREATE_NEW_PROCESS_GROUP, or a
// parent's SetConsoleCtrlHandler(NULL, TRUE), both inherited) keeps it
// ignored: Windows does not call a handler for an ignored Ctrl+C, and adding
// one does not change that.
void WatchStopRequests() { (void)SetConsoleCtrlHandler(NoteStop, TRUE); }

bool StopRequested() { return Requested.load() != 0; }

const char* StopRequestName()
{
    switch (Requested.load()) {
    case CTRL_C_EVENT + 1: return "Ctrl+C";
    case CTRL_BREAK_EVENT + 1: return "Ctrl+Break";
    case CTRL_CLOSE_EVENT + 1: return "closing the console";
    default: return "nothing";
    }
}

void StopAsRequested() { ExitProcess(ControlCExit); }
