// The follower's check of the SPI waits: each busy poll of a wait, and the
// waits that ran out, which a framed run answers with a stop.
#include "Protocol.h"

namespace relaylog {

// A framed run stops once waits in a row run out: until the next
// wait, or the stop line, such waits are held, and the stop names them.
void ProtocolFollower::Hold(const Finding& finding)
{
    if (Is(RunKind::Fixed) || held_.size() == HeldWaits)
        Flush();
    if (Is(RunKind::Fixed))
        tell_(&FindingSink::Problem, finding);
    else
        held_.push_back(finding);
}

void ProtocolFollower::Flush()
{
    for (const Finding& finding : held_)
        tell_(&FindingSink::Problem, finding);
    held_.clear();
}

// A wait polls until the controller reads idle, or 10000 times.
void ProtocolFollower::CheckWait(const RecordLine& line, const Sequence& within)
{
    const PollSummary& polls = line.polls;
    const AccessAt access{line, within};
    const bool ranOut = polls.firstIdle == 0 && polls.count == PollLimit;
    if (!ranOut)
        Flush();
    if (polls.count == 0)
        Found(line.number, NoPoll{access});
    else if (polls.count > PollLimit)
        Found(line.number, PastLimit{access, polls.count});
    else if (polls.firstIdle != 0 && polls.firstIdle < polls.count)
        Found(line.number, WaitWentOn{access, polls.firstIdle});
    else if (ranOut)
        Hold(Finding{line.number, StillBusyAtLimit{access}});
    else if (polls.firstIdle == 0)
        Found(line.number, GaveUpEarly{access, polls.count});
    if (polls.strayAddress)
        Found(line.number, StrayPoll{access, polls.strayAddressValue});
}

}  // namespace relaylog
