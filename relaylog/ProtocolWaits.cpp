// The follower's register accesses and their SPI waits: each busy poll of a
// wait, and the waits that ran out, which a framed run answers with a stop.
#include "Protocol.h"

namespace relaylog {

// Every register access: its wait, the traffic figures, and the controller's
// registers as the access leaves them.
void ProtocolFollower::Access(const RecordLine& line, const Sequence& within)
{
    ++traffic_.accesses;
    traffic_.polls += line.polls.count;
    if (line.polls.count > traffic_.longestWait) {
        traffic_.longestWait = line.polls.count;
        traffic_.longestWaitLine = line.number;
    }
    CheckWait(line, within);
    if (line.offset == ControlRegister) {
        // Control with the go flag sends the data registers to the board in
        // its low bits; numbers past the last board reach nothing.
        const std::uint32_t board = line.value & (GoFlag - 1);
        if (line.write && (line.value & GoFlag) != 0 && board < Boards) {
            pushed_[board] = latch_;
            pushedAt_[board] = line.number;
            tell_(&FindingSink::BoardPushed, static_cast<int>(board), latch_);
        }
        return;
    }
    for (std::size_t word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            latch_[word] = line.value;
    }
}

// A framed run stops once waits in a row run out: until the next
// wait, or the stop line, such waits are held, and the stop names them.
void ProtocolFollower::Hold(const Finding& finding)
{
    if (Is(RunKind::Fixed) || held_.size() == HeldWaits)
        Flush();
    held_.push_back(finding);
    if (Is(RunKind::Fixed))
        Flush();
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
    const bool ranOut = polls.firstIdle == 0 && polls.count == PollLimit;
    if (!ranOut)
        Flush();
    if (polls.count == 0)
        Found(AccessFinding(Kind::NoPoll, line, within));
    else if (polls.count > PollLimit)
        Found(AccessFinding(Kind::PastLimit, line, within, polls.count));
    else if (polls.firstIdle != 0 && polls.firstIdle < polls.count)
        Found(AccessFinding(Kind::WaitWentOn, line, within, polls.firstIdle));
    else if (ranOut)
        Hold(AccessFinding(Kind::StillBusyAtLimit, line, within));
    else if (polls.firstIdle == 0)
        Found(AccessFinding(Kind::GaveUpEarly, line, within, polls.count));
    if (polls.strayAddress)
        Found(AccessFinding(Kind::StrayPoll, line, within, polls.strayAddressValue));
}

}  // namespace relaylog
