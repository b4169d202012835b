// The C functions of relaymatrix.h: each takes the mutex, checks its
// arguments, does its work through the session and the switching code, and
// keeps its status and text for relaymatrix_last_error.
#define RELAYMATRIX_BUILDING
#include "relaymatrix.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "MatrixSession.h"
#include "MatrixSwitch.h"
#include "Record.h"

namespace {

std::mutex Lock;
int LastStatus = RELAYMATRIX_OK;
std::string LastError;

int Keep(int status, const std::string& error)
{
    LastStatus = status;
    LastError = status == RELAYMATRIX_OK ? "" : error;
    return status;
}

// A call's work, with its stop when the work saw one; the status kept.
template <typename Work> int Run(const std::string& where, Work work)
{
    std::string error;
    if (!SessionOpen())
        return Keep(RELAYMATRIX_NO_SESSION, "no session is open");
    int status = work(error);
    if (status < 0 || status == RELAYMATRIX_OK || status == RELAYMATRIX_NOT_AS_ASKED) {
        const int stop = StopIfDue("during " + where, error);
        status = stop != RELAYMATRIX_OK ? stop : status < 0 ? RELAYMATRIX_OK : status;
    }
    return Keep(status, error);
}

int Switch(const char* text, bool on)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (!SessionOpen())
        return Keep(RELAYMATRIX_NO_SESSION, "no session is open");
    RelaySet relays;
    std::string error;
    if (!ReadRelays(SessionWiring(), SessionWired(), text, !on, relays, error))
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error);
    if (!RequestWithinLimit(relays, on, error))
        return Keep(RELAYMATRIX_REFUSED, error + ": nothing switched");
    const std::string command = std::string(on ? "close " : "open ") + text;
    return Run(command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        return SwitchRelays(relays, on, e);
    });
}

int OpenEverything(std::string& error)
{
    RelaySet all;
    all.set();
    RecordLine("Command: open all\n");
    return SwitchRelays(all, false, error);
}

}  // namespace

extern "C" {

int relaymatrix_session_open(const char* wiring, const char* record, int wait_seconds, int max_closed, unsigned flags)
{
    const std::lock_guard<std::mutex> hold(Lock);
    SessionRequest request;
    request.wiring = wiring;
    request.record = record;
    request.waitSeconds = wait_seconds < 0 ? -1 : wait_seconds;
    request.maxClosed = max_closed;
    request.noWiring = (flags & RELAYMATRIX_NO_WIRING) != 0;
    std::string error;
    const int status = BeginSession(request, error);
    return Keep(status, error);
}

int relaymatrix_session_end(int open_all)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::string opened;
    if (open_all != 0) {
        const int status = Run("open all", OpenEverything);
        if (status != RELAYMATRIX_OK && !SessionOpen())
            return status;
        opened = LastError;
    }
    std::string error;
    const int status = EndSession(error);
    if (status == RELAYMATRIX_OK && !opened.empty())
        return Keep(RELAYMATRIX_NOT_AS_ASKED, opened);
    return Keep(status, error);
}

int relaymatrix_close(const char* relays) { return Switch(relays, true); }

int relaymatrix_open(const char* relays) { return Switch(relays, false); }

int relaymatrix_open_all(void)
{
    const std::lock_guard<std::mutex> hold(Lock);
    return Run("open all", OpenEverything);
}

int relaymatrix_closed(int board, int* relays, int capacity, int* count)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (board < -1 || board >= BoardCount || capacity < 0 || (relays == nullptr && capacity > 0) || count == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_closed: board -1 to 7, a count, and relays for capacity");
    *count = 0;
    const BoardSet boards = board < 0 ? AllBoards : static_cast<BoardSet>(1u << board);
    const std::string command = board < 0 ? "show" : "show " + std::to_string(board);
    return Run(command, [&](std::string& error) {
        RecordLine("Command: %s\n", command.c_str());
        RelaySet closed;
        const int status = ReadClosed(boards, closed, error);
        for (std::size_t r = 0; status >= 0 && r < closed.size(); ++r) {
            if (closed.test(r) && *count < capacity)
                relays[*count] = static_cast<int>(r);
            *count += closed.test(r) ? 1 : 0;
        }
        return status;
    });
}

int relaymatrix_is_closed(const char* relay, int* closed)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (closed == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_is_closed: no place for the answer");
    *closed = 0;
    if (!SessionOpen())
        return Keep(RELAYMATRIX_NO_SESSION, "no session is open");
    RelaySet named;
    std::string error;
    if (!ReadRelays(SessionWiring(), SessionWired(), relay, false, named, error) || named.count() != 1)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error.empty() ? Quoted(relay) + ": name one relay" : error);
    std::size_t number = 0;
    while (!named.test(number))
        ++number;
    const auto board = static_cast<BoardIndex>(number / RelaysPerBoard);
    const std::string command = "show " + std::to_string(board);
    return Run(command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        RelaySet held;
        const int status = ReadClosed(static_cast<BoardSet>(1u << board), held, e);
        *closed = held.test(number) ? 1 : 0;
        return status;
    });
}

int relaymatrix_relay_number(const char* relay, int* number)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (number == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_relay_number: no place for the answer");
    Wiring wiring;
    bool wired = false;
    std::string error;
    const int status = NamingWiring(wiring, wired, error);
    if (status != RELAYMATRIX_OK)
        return Keep(status, error);
    RelaySet named;
    if (!ReadRelays(wiring, wired, relay, false, named, error) || named.count() != 1)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error.empty() ? Quoted(relay) + ": name one relay" : error);
    *number = 0;
    while (!named.test(static_cast<std::size_t>(*number)))
        ++*number;
    return Keep(RELAYMATRIX_OK, "");
}

int relaymatrix_last_error(char* text, int size)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (text != nullptr && size > 0) {
        const std::size_t n = std::min(LastError.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(text, LastError.data(), n);
        text[n] = '\0';
    }
    return LastStatus;
}

const char* relaymatrix_error_text(void)
{
    const std::lock_guard<std::mutex> hold(Lock);
    return LastError.c_str();
}

const char* relaymatrix_version(void) { return RELAYTEST_VERSION; }

}  // extern "C"
