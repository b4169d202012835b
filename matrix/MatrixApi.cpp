// The C functions of relaymatrix.h: each takes the mutex, checks its handle
// and arguments, does its work through the session and the switching code,
// and keeps its status and text for the calling thread's
// relaymatrix_last_error.
#define RELAYMATRIX_BUILDING
#include "relaymatrix.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "MatrixRoutes.h"
#include "MatrixSession.h"
#include "MatrixSwitch.h"
#include "Outcome.h"
#include "RelayNames.h"
#include "StationSwitch.h"
#include "ProcessId.h"
#include "Record.h"
#include "EscapedText.h"

// The header's codes are the station's table of outcomes.
static_assert(LibraryCode(Outcome::AsAsked) == RELAYMATRIX_OK && LibraryCode(Outcome::BadArgument) == RELAYMATRIX_BAD_ARGUMENT &&
              LibraryCode(Outcome::Refused) == RELAYMATRIX_REFUSED && LibraryCode(Outcome::CardHeld) == RELAYMATRIX_CARD_HELD &&
              LibraryCode(Outcome::NoCard) == RELAYMATRIX_NO_CARD && LibraryCode(Outcome::NotAsAsked) == RELAYMATRIX_NOT_AS_ASKED &&
              LibraryCode(Outcome::ControllerBusy) == RELAYMATRIX_BUSY && LibraryCode(Outcome::RecordLost) == RELAYMATRIX_RECORD &&
              LibraryCode(Outcome::NoSession) == RELAYMATRIX_NO_SESSION &&
              LibraryCode(Outcome::SessionOpen) == RELAYMATRIX_SESSION_OPEN,
              "relaymatrix.h's codes and the table of outcomes differ");

// A handle names the one session of the process that opened it.
struct relaymatrix_session {
    long process;
};

namespace {

std::mutex Lock;
// The ledger relaymatrix_use_ledger chose for the sessions to come.
bool LedgerChosen = false;
std::string LedgerChoice;
// Each thread's own: a status and its text never come from another thread's call.
thread_local int LastStatus = RELAYMATRIX_OK;
thread_local std::string LastError;
// The open session's handle; compared, never read through, for a handle given.
relaymatrix_session* Current = nullptr;

int Keep(int status, const std::string& error)
{
    LastStatus = status;
    LastError = status == RELAYMATRIX_OK ? "" : error;
    return status;
}

// Whether the handle is this process's open session: RELAYMATRIX_OK, or
// RELAYMATRIX_NO_SESSION with its text.
int Owned(const relaymatrix_session* session, std::string& error)
{
    if (session == nullptr || session != Current || !SessionOpen()) {
        error = "no session is open";
        return RELAYMATRIX_NO_SESSION;
    }
    if (Current->process != ThisProcessId()) {
        error = "the session belongs to process " + std::to_string(Current->process) + ", not to this one";
        return RELAYMATRIX_NO_SESSION;
    }
    return RELAYMATRIX_OK;
}

// The handle freed once its session is over.
void Forget(const relaymatrix_session* session)
{
    if (!SessionOpen() && session == Current) {
        delete Current;
        Current = nullptr;
    }
}

// A call's work, with its stop when the work saw one; the status kept.
template <typename Work> int Run(relaymatrix_session* session, const std::string& where, Work work)
{
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK)
        return Keep(owned, error);
    int status = work(error);
    if (status < 0 || status == RELAYMATRIX_OK || status == RELAYMATRIX_NOT_AS_ASKED) {
        const int stop = StopIfDue("during " + where, error);
        status = stop != RELAYMATRIX_OK ? stop : status < 0 ? RELAYMATRIX_OK : status;
    }
    Forget(session);
    return Keep(status, error);
}

int Switch(relaymatrix_session* session, const char* text, bool on)
{
    const std::lock_guard<std::mutex> hold(Lock);
    RelaySet relays;
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK)
        return Keep(owned, error);
    if (!ReadRelays(text, !on, relays, error))
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error);
    if (on && !RequestWithinLimit(SessionWiring(), relays, SessionLimit(), error))
        return Keep(RELAYMATRIX_REFUSED, error + ": nothing switched");
    const std::string command = std::string(on ? "close " : "open ") + text;
    return Run(session, command, [&](std::string& e) {
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

std::size_t BoundedLength(const char* text, std::size_t most)
{
    std::size_t n = 0;
    while (n < most && text[n] != '\0')
        ++n;
    return n;
}

// A buffer for lines: text for size bytes (none with size 0), emptied.
bool LinesBuffer(char* text, int size, int* length)
{
    if (length != nullptr)
        *length = 0;
    if (text != nullptr && size > 0)
        text[0] = '\0';
    return size >= 0 && (text != nullptr || size == 0);
}

// connect and find_route: the ends read, the route found (and closed), its line given.
int RouteCall(relaymatrix_session* session, const char* first, const char* second, bool switching, char* text,
              int size, int* length)
{
    const std::lock_guard<std::mutex> hold(Lock);
    const char* const word = switching ? "connect" : "route";
    if (!LinesBuffer(text, size, length))
        return Keep(RELAYMATRIX_BAD_ARGUMENT, std::string("relaymatrix_") + (switching ? "connect" : "find_route") +
                                                  ": a route buffer of size bytes, or NULL and 0");
    std::string error;
    RouteEnds ends;
    int status = Owned(session, error);
    if (status == RELAYMATRIX_OK)
        status = ReadEndsNamed(first, second, ends, error);
    if (status != RELAYMATRIX_OK)
        return Keep(status, status == RELAYMATRIX_NO_SESSION ? error : std::string(word) + " " + error);
    const bool pair = second != nullptr && second[0] != '\0';
    const std::string command = std::string(word) + " " + first + (pair ? std::string(" ") + second : "");
    std::string line;
    status = Run(session, command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        return ConnectEnds(ends, switching, line, e);
    });
    GiveLines(line, text, size, length);
    return status;
}

// A session its caller left open when the process exits is stopped: its
// boards pushed open, its record ended, the card let go.
void StopAtExit()
{
    const std::unique_lock<std::mutex> hold(Lock, std::try_to_lock);
    std::string error;
    if (hold.owns_lock() && Owned(Current, error) == RELAYMATRIX_OK) {
        (void)StopSession("the end of the process", error);
        Forget(Current);
    }
}

}  // namespace

extern "C" {

int relaymatrix_use_ledger(const char* ledger)
{
    const std::lock_guard<std::mutex> hold(Lock);
    LedgerChosen = ledger != nullptr;
    LedgerChoice = ledger != nullptr ? ledger : "";
    return Keep(RELAYMATRIX_OK, "");
}

int relaymatrix_session_open(const char* wiring, const char* record, int wait_seconds, int max_closed, unsigned flags,
                             relaymatrix_session** session)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (session == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_session_open: no place for the session's handle");
    *session = nullptr;
    static const bool stopsAtExit = std::atexit(StopAtExit) == 0;
    (void)stopsAtExit;
    // A forked child's copy of its parent's session is not its own.
    if (Current != nullptr && Current->process != ThisProcessId())
        Current = nullptr;
    SessionRequest request;
    request.wiring = wiring;
    request.record = record;
    request.waitSeconds = wait_seconds < 0 ? -1 : wait_seconds;
    request.maxClosed = max_closed;
    request.noWiring = (flags & RELAYMATRIX_NO_WIRING) != 0;
    request.ledger = LedgerChosen ? LedgerChoice.c_str() : nullptr;
    std::string error;
    const int status = BeginSession(request, error);
    if (status == RELAYMATRIX_OK) {
        Current = new relaymatrix_session{ThisProcessId()};
        *session = Current;
    }
    return Keep(status, error);
}

int relaymatrix_session_end(relaymatrix_session* session, int open_all)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK)
        return Keep(owned, error);
    std::string opened;
    if (open_all != 0) {
        const int status = Run(session, "open all", OpenEverything);
        if (status != RELAYMATRIX_OK && !SessionOpen())
            return status;
        opened = LastError;
    }
    const int status = EndSession(error);
    Forget(session);
    if (status == RELAYMATRIX_OK && !opened.empty())
        return Keep(RELAYMATRIX_NOT_AS_ASKED, opened);
    return Keep(status, error);
}

int relaymatrix_session_stop(relaymatrix_session* session, const char* why)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK)
        return Keep(owned, error);
    // What the caller names goes into the record: one line, escaped, bounded.
    const std::string named = why == nullptr || why[0] == '\0' ? "the caller" : EscapedText(why, BoundedLength(why, 200));
    const int status = StopSession(named, error);
    Forget(session);
    return Keep(status, error);
}

int relaymatrix_close(relaymatrix_session* session, const char* relays) { return Switch(session, relays, true); }

int relaymatrix_open(relaymatrix_session* session, const char* relays) { return Switch(session, relays, false); }

int relaymatrix_open_all(relaymatrix_session* session)
{
    const std::lock_guard<std::mutex> hold(Lock);
    return Run(session, "open all", OpenEverything);
}

int relaymatrix_closed(relaymatrix_session* session, int board, int* relays, int capacity, int* count)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (board < -1 || board >= BoardCount || capacity < 0 || (relays == nullptr && capacity > 0) || count == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_closed: board -1 to 7, a count, and relays for capacity");
    *count = 0;
    const BoardSet boards = board < 0 ? AllBoards : static_cast<BoardSet>(1u << board);
    const std::string command = board < 0 ? "show" : "show " + std::to_string(board);
    return Run(session, command, [&](std::string& error) {
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

int relaymatrix_is_closed(relaymatrix_session* session, const char* relay, int* closed)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (closed == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_is_closed: no place for the answer");
    *closed = 0;
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK)
        return Keep(owned, error);
    int number = 0;
    if (relay == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "no relay named");
    if (!ReadOneRelay(RelayNaming{SessionWiring(), SessionWired(), false}, relay, number, error)) {
        NameInError(relay, error);
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error);
    }
    const auto board = static_cast<BoardIndex>(number / RelaysPerBoard);
    const std::string command = "show " + std::to_string(board);
    return Run(session, command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        RelaySet held;
        const int status = ReadClosed(static_cast<BoardSet>(1u << board), held, e);
        *closed = held.test(static_cast<std::size_t>(number)) ? 1 : 0;
        return status;
    });
}

int relaymatrix_relay_number(relaymatrix_session* session, const char* relay, int* number)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (number == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_relay_number: no place for the answer");
    Wiring wiring;
    bool wired = false;
    std::string error;
    if (session != nullptr && Owned(session, error) != RELAYMATRIX_OK)
        return Keep(RELAYMATRIX_NO_SESSION, error);
    const int status = NamingWiring(session != nullptr, wiring, wired, error);
    if (status != RELAYMATRIX_OK)
        return Keep(status, error);
    if (relay == nullptr)
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "no relay named");
    if (!ReadOneRelay(RelayNaming{wiring, wired, false}, relay, *number, error)) {
        NameInError(relay, error);
        return Keep(RELAYMATRIX_BAD_ARGUMENT, error);
    }
    return Keep(RELAYMATRIX_OK, "");
}

int relaymatrix_connect(relaymatrix_session* session, const char* from, const char* to, char* route, int size,
                        int* length)
{
    return RouteCall(session, from, to, true, route, size, length);
}

int relaymatrix_find_route(relaymatrix_session* session, const char* from, const char* to, char* route, int size,
                           int* length)
{
    return RouteCall(session, from, to, false, route, size, length);
}

int relaymatrix_disconnect(relaymatrix_session* session, const char* from, const char* to)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::string error;
    RouteEnds ends;
    int status = Owned(session, error);
    if (status == RELAYMATRIX_OK)
        status = ReadEndsNamed(from, to, ends, error);
    if (status != RELAYMATRIX_OK)
        return Keep(status, status == RELAYMATRIX_NO_SESSION ? error : "disconnect " + error);
    const bool pair = to != nullptr && to[0] != '\0';
    const std::string command = std::string("disconnect ") + from + (pair ? std::string(" ") + to : "");
    return Run(session, command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        return DisconnectEnds(ends, e);
    });
}

int relaymatrix_routes(relaymatrix_session* session, char* routes, int size, int* length)
{
    const std::lock_guard<std::mutex> hold(Lock);
    if (!LinesBuffer(routes, size, length))
        return Keep(RELAYMATRIX_BAD_ARGUMENT, "relaymatrix_routes: a buffer of size bytes, or NULL and 0");
    std::string lines;
    std::string error;
    const int owned = Owned(session, error);
    if (owned != RELAYMATRIX_OK || NeedWiring(error) != RELAYMATRIX_OK)
        return Keep(owned != RELAYMATRIX_OK ? owned : RELAYMATRIX_BAD_ARGUMENT, error);
    const int status = Run(session, "routes", [&](std::string& e) {
        RecordLine("Command: routes\n");
        return ConnectedLines(lines, e);
    });
    GiveLines(lines, routes, size, length);
    return status;
}

int relaymatrix_switch_to(relaymatrix_session* session, const char* names, int order)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::string error;
    std::vector<RouteEnds> wanted;
    int status = Owned(session, error);
    if (status == RELAYMATRIX_OK && order != RELAYMATRIX_BREAK_BEFORE_MAKE && order != RELAYMATRIX_MAKE_BEFORE_BREAK) {
        error = "order " + std::to_string(order) +
                ": give RELAYMATRIX_BREAK_BEFORE_MAKE (0) or RELAYMATRIX_MAKE_BEFORE_BREAK (1)";
        status = RELAYMATRIX_BAD_ARGUMENT;
    }
    if (status == RELAYMATRIX_OK)
        status = ReadWantedRoutes(names, wanted, error);
    if (status != RELAYMATRIX_OK)
        return Keep(status, status == RELAYMATRIX_NO_SESSION ? error : "switch " + error);
    const bool makeFirst = order == RELAYMATRIX_MAKE_BEFORE_BREAK;
    const std::string command = std::string("switch ") + (makeFirst ? "--order make-before-break " : "") + names;
    return Run(session, command, [&](std::string& e) {
        RecordLine("Command: %s\n", command.c_str());
        return SwitchToRoutes(wanted, makeFirst, e);
    });
}

int relaymatrix_last_error(char* text, int size)
{
    if (text != nullptr && size > 0) {
        const std::size_t n = std::min(LastError.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(text, LastError.data(), n);
        text[n] = '\0';
    }
    return LastStatus;
}

const char* relaymatrix_error_text(void) { return LastError.c_str(); }

const char* relaymatrix_version(void) { return RELAYTEST_VERSION; }

}  // extern "C"
