#include "MatrixSession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CardLock.h"
#include "ProcessId.h"
#include "Record.h"
#include "Session.h"
#include "StationSwitch.h"
#include "StationLedger.h"
#include "StationWiring.h"
#include "StopCause.h"
#include "TraceOutput.h"
#include "relaymatrix.h"

namespace {

// The holder's name other programs are told, and the lock's messages' prefix.
constexpr const char* LockName = "relaymatrix";

bool Open = false;
long Process = 0;
int Limit = DefaultMaxClosed;
std::FILE* RecordFile = nullptr;
BoardSet Pushed = 0;

// The session over: the record closed and the card let go.
// What the session counted, written into the ledger; false, with the
// reason, when it could not be.
bool WriteTheLedger(std::string& error)
{
    std::string why;
    const bool written = WriteLedger(true, why);
    StopLedger();
    if (!written)
        error = "the relay ledger could not be written: " + why;
    return written;
}

void Finish()
{
    if (RecordFile != nullptr)
        (void)std::fclose(RecordFile);
    RecordFile = nullptr;
    SetTraceStream(nullptr);
    ReleaseCard();
    Open = false;
}

int RecordFailed(std::string& error)
{
    error = std::string("the record could not be written (") + RecordLossReason() + ")";
    return RELAYMATRIX_RECORD;
}

// The record's file, or none; the trace goes there from now on.
bool OpenRecordFile(const SessionRequest& request, std::string& error)
{
    if (request.record == nullptr || request.record[0] == '\0') {
        SetTraceStream(nullptr);
        return true;
    }
    errno = 0;
    RecordFile = std::fopen(request.record, "w");
    if (RecordFile == nullptr) {
        error = "the record " + Quoted(request.record) + " cannot be written: " + std::strerror(errno) +
                ": nothing was switched";
        return false;
    }
    SetTraceStream(RecordFile);
    return true;
}

// The heading, the card's header and the wiring line.
int StartSession(std::string& error)
{
    const Outcome started = StartRecord("Relay matrix session", "Session");
    if (started == Outcome::NoCard)
        error = "no card: the driver found none, and nothing was switched";
    else if (started == Outcome::RecordLost)
        RecordFailed(error);
    if (started != Outcome::AsAsked)
        Finish();
    return LibraryCode(started);
}

}  // namespace

int BeginSession(const SessionRequest& request, std::string& error)
{
    // A forked child inherits its parent's session in memory only: the card
    // and the record are the parent's, and are never touched from here.
    if (Open && Process != ThisProcessId()) {
        Open = false;
        RecordFile = nullptr;
        SetTraceStream(nullptr);
    }
    if (Open) {
        error = "a session is open already in this process: end it first";
        return RELAYMATRIX_SESSION_OPEN;
    }
    if (request.maxClosed < 0 || request.maxClosed > HighestMaxClosed) {
        error = "max_closed " + std::to_string(request.maxClosed) + ": not a number of relays from 1 to 127 (0: 32)";
        return RELAYMATRIX_BAD_ARGUMENT;
    }
    const std::string wiringPath = ChooseWiringFile(request.wiring, request.noWiring);
    Wiring wiring = EmptyWiring();
    if (!wiringPath.empty() && !LoadWiring(wiringPath, wiring, error))
        return RELAYMATRIX_BAD_ARGUMENT;
    // The ledger is checked before the card: a station that counts never
    // switches uncounted.
    if (!StartLedger(ChooseLedgerFile(request.ledger), error)) {
        error = "the relay ledger cannot be used: " + error;
        return RELAYMATRIX_BAD_ARGUMENT;
    }
    // The program's limit: the wiring's rules apply the file's when lower.
    Limit = request.maxClosed > 0 ? request.maxClosed : DefaultMaxClosed;
    const Outcome taken = TakeStationCard(LockName, request.waitSeconds, nullptr, error);
    if (taken != Outcome::AsAsked) {
        StopLedger();
        error += ": nothing was switched";
        return LibraryCode(taken);
    }
    if (wiringPath.empty())
        ForgetStationWiring();
    else
        UseStationWiring(wiring);
    if (!OpenRecordFile(request, error)) {
        StopLedger();
        ReleaseCard();
        return RELAYMATRIX_RECORD;
    }
    Open = true;
    Process = ThisProcessId();
    Pushed = 0;
    ForgetStopCause();
    ClearRelayTables();
    return StartSession(error);
}

int EndSession(std::string& error)
{
    if (!Open) {
        error = "no session is open";
        return RELAYMATRIX_NO_SESSION;
    }
    const bool counted = WriteTheLedger(error);
    RecordLine("Session complete\n");
    const bool lost = RecordLost();
    if (lost)
        RecordFailed(error);
    Finish();
    return lost || !counted ? RELAYMATRIX_RECORD : RELAYMATRIX_OK;
}

int StopSession(const std::string& why, std::string& error)
{
    if (!Open) {
        error = "no session is open";
        return RELAYMATRIX_NO_SESSION;
    }
    const StopDone done = RecordStop("Session", "interrupted by " + why, "", Pushed);
    std::string uncounted;
    (void)WriteTheLedger(uncounted);
    const bool lost = RecordLost();
    if (lost)
        RecordFailed(error);
    else if (done.notOpen != 0)
        error = "the session was stopped" + done.boards;
    Finish();
    return lost ? RELAYMATRIX_RECORD : done.notOpen != 0 ? RELAYMATRIX_NOT_AS_ASKED : RELAYMATRIX_OK;
}

bool SessionOpen() { return Open; }
long SessionProcess() { return Open ? Process : 0; }
const Wiring& SessionWiring() { return StationWiring(); }
bool SessionWired() { return StationHasWiring(); }
int SessionLimit() { return Limit; }

int NamingWiring(bool ofSession, Wiring& wiring, bool& wired, std::string& error)
{
    wired = ofSession && StationHasWiring();
    if (ofSession) {
        wiring = StationWiring();
        return RELAYMATRIX_OK;
    }
    wiring = EmptyWiring();
    const std::string station = ChooseWiringFile(nullptr);
    if (station.empty())
        return RELAYMATRIX_OK;
    wired = true;
    if (LoadWiring(station, wiring, error))
        return RELAYMATRIX_OK;
    return RELAYMATRIX_BAD_ARGUMENT;
}

void NotePushed(BoardIndex board) { Pushed = static_cast<BoardSet>(Pushed | (1u << board)); }

int StopIfDue(const std::string& where, std::string& error)
{
    if (!Open || !MustStop())
        return RELAYMATRIX_OK;
    const StopDone done = RecordStop("Session", StopCauseText(), where, Pushed);
    std::string uncounted;
    (void)WriteTheLedger(uncounted);
    const bool busy = WhyStopped() == StopCause::ControllerBusy;
    error = busy ? std::string("the SPI controller stayed busy ") + where
                 : std::string("the record could not be written (") + RecordLossReason() + ") " + where;
    error += done.boards;
    error += ": the session is ended";
    Finish();
    return busy ? RELAYMATRIX_BUSY : RELAYMATRIX_RECORD;
}
