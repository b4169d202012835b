#include "Session.h"

#include "CardHeader.h"
#include "Record.h"
#include "StationLedger.h"
#include "StationWiring.h"

Outcome TakeStationCard(const char* name, int waitSeconds, CardWaitNotice notice, std::string& message)
{
    switch (TakeCard(name, waitSeconds, notice)) {
    case CardLockResult::Taken: return Outcome::AsAsked;
    case CardLockResult::TimedOut:
        message = std::string("the card is still held by ") + CardHolder() + " after " + std::to_string(waitSeconds) +
                  " s";
        return Outcome::CardHeld;
    case CardLockResult::Failed: break;
    }
    message = CardLockProblem();
    return Outcome::NoCard;
}

Outcome StartRecord(const std::string& heading, const char* closing)
{
    // Every line out before the next driver call: a run that dies keeps it.
    RecordLine("%s\n", heading.c_str());
    if (RecordLost())
        return Outcome::RecordLost;
    if (!ReportCard()) {
        RecordLine("%s stopped: no card\n", closing);
        return RecordLost() ? Outcome::RecordLost : Outcome::NoCard;
    }
    RecordWiringLine();
    RecordLedgerLine();
    return RecordLost() ? Outcome::RecordLost : Outcome::AsAsked;
}

StopDone RecordStop(const char* closing, const std::string& cause, const std::string& where, BoardSet pushed,
                    bool opened, BoardSet notOpen)
{
    StopDone done;
    done.notOpen = opened ? notOpen : OpenBoards(pushed);
    char boards[128];
    SpellOpenedBoards(pushed, done.notOpen, boards, sizeof boards);
    done.boards = boards;
    RecordLine("%s stopped: %s%s%s%s\n", closing, cause.c_str(), where.empty() ? "" : " ", where.c_str(), boards);
    return done;
}
