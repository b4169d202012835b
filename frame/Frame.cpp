#include "Frame.h"

#include <cstdio>

#include "CardHeader.h"
#include "CardLock.h"
#include "CommandLine.h"
#include "ConsoleSetup.h"
#include "Progress.h"
#include "Outcome.h"
#include "Record.h"
#include "Session.h"
#include "StopCause.h"
#include "StopRequest.h"
#include "StationLedger.h"
#include "StationWiring.h"

namespace {

const char* Name = "relaytest";

// Standard output failed: said once on standard error, with the reason.
int RecordLostStatus(const char* after)
{
    (void)std::fprintf(stderr, "%s: the record could not be written (%s)%s\n", Name, RecordLossReason(), after);
    return ExitStatus(Outcome::RecordLost);
}

// The card, for this program alone: -1 once taken, else the exit status.
int TakeTheCard(int waitSeconds)
{
    std::string message;
    const Outcome taken = TakeStationCard(Name, waitSeconds, SayCardWait, message);
    if (taken == Outcome::AsAsked)
        return -1;
    (void)std::fprintf(stderr, "%s: %s: nothing was switched\n", Name, message.c_str());
    return ExitStatus(taken);
}

// What the session counted, written into the ledger; a failure said once.
void WriteTheLedger()
{
    std::string error;
    if (!WriteLedger(true, error))
        (void)std::fprintf(stderr, "%s: the relay ledger could not be written: %s\n", Name, error.c_str());
    StopLedger();
}

// Every board the body pushed pushed open and read back, then the stop line,
// mirrored on standard error; then the end the cause asks for.
int Stop(const ProgramEntry& program, const WorkEnd& end)
{
    // The body may have seen the request itself (while it waited for input).
    (void)MustStop();
    EndProgress();
    const StopDone done = RecordStop(program.closing, StopCauseText(), end.where, end.pushed, end.opened, end.notOpen);
    if (WhyStopped() == StopCause::RecordLost)
        (void)std::fprintf(stderr, "%s: %s stopped: the record could not be written (%s) %s%s\n", Name,
                           program.closing, RecordLossReason(), end.where.c_str(), done.boards.c_str());
    else
        (void)std::fprintf(stderr, "%s: %s stopped: %s %s%s\n", Name, program.closing, StopCauseText(),
                           end.where.c_str(), done.boards.c_str());
    WriteTheLedger();
    if (WhyStopped() == StopCause::Requested)
        StopAsRequested();
    (void)CloseRecord();
    return StopStatus();
}


}  // namespace

const char* FrameProgramName() { return Name; }

void SayCardWait(const char* holder, int waitSeconds)
{
    if (waitSeconds == WaitForever)
        (void)std::fprintf(stderr, "%s: the card is held by %s; waiting for it\n", Name, holder);
    else
        (void)std::fprintf(stderr, "%s: the card is held by %s; waiting up to %d s for it\n", Name, holder, waitSeconds);
    (void)std::fflush(stderr);
}

int RunFrame(const ProgramEntry& program, int argc, char** argv)
{
    Name = program.name;
    int waitSeconds = 0;
    int status = ReadCommandLine(program, argc, argv, waitSeconds);
    if (status >= 0)
        return status;
    // The names a command gives relays are the wiring's: read before it.
    std::string message;
    if (!LoadStationWiring(message)) {
        (void)std::fprintf(stderr, "%s: %s\n", Name, message.c_str());
        return ExitStatus(Outcome::BadArgument);
    }
    status = program.check(message);
    if (status == 2)
        return UsageError(program, message);
    if (status != 0) {
        (void)std::fprintf(stderr, "%s: %s\n", Name, message.c_str());
        return status;
    }
    if (program.early != nullptr && (status = program.early()) >= 0)
        return status;
    if (program.confirm != nullptr && !program.confirm()) {
        (void)std::fprintf(stderr, "%s: not confirmed: no relay was switched\n", Name);
        return ExitStatus(Outcome::BadArgument);
    }
    // The ledger is checked before the card: a station that counts never
    // switches uncounted.
    if (!StartStationLedger(message)) {
        (void)std::fprintf(stderr, "%s: the relay ledger cannot be used: %s: nothing was switched\n", Name,
                           message.c_str());
        return ExitStatus(Outcome::BadArgument);
    }
    PrepareConsole();
    // A stop while it waits for the card simply ends it: nothing is touched.
    status = TakeTheCard(waitSeconds);
    if (status >= 0)
        return status;
    // From here a stop opens the boards pushed first.
    WatchStopRequests();
    const Outcome started = StartRecord(program.heading(), program.closing);
    if (started == Outcome::NoCard) {
        (void)std::fprintf(stderr, "%s: no card: the driver found none, and nothing was switched\n", Name);
        if (CloseRecord())
            return ExitStatus(Outcome::NoCard);
    }
    if (started != Outcome::AsAsked)
        return RecordLostStatus(": nothing was switched");
    const WorkEnd end = program.body();
    if (end.stopped)
        return Stop(program, end);
    EndProgress();
    WriteTheLedger();
    RecordLine("%s complete\n", program.closing);
    if (!CloseRecord())
        return RecordLostStatus("");
    return end.status;
}
