#include "Protocol.h"

namespace relaylog {

namespace {

// The lines of a board report after its fetch, in order.
constexpr LineKind ReportOrder[] = {LineKind::Blank,      LineKind::ReportHeading, LineKind::ReportWord,
                                    LineKind::ReportWord, LineKind::ReportWord,    LineKind::ReportWord,
                                    LineKind::ReportRule};
constexpr int ReportLines = sizeof ReportOrder / sizeof ReportOrder[0];

}  // namespace

void ProtocolFollower::Problem(FindingKind kind, std::uint64_t line, std::int64_t n)
{
    Finding f(kind, line);
    f.n = n;
    sink_.Problem(f);
}

void ProtocolFollower::AccessProblem(FindingKind kind, const RecordLine& line, const Sequence& within)
{
    Finding f(kind, line.number);
    f.access = line;
    f.within = within;
    f.count = line.polls.count;
    sink_.Problem(f);
}

bool ProtocolFollower::Take(const RecordLine& line)
{
    switch (stage_) {
    case Stage::CardCheck:
        if (line.kind == LineKind::SweepHeading && line.number == 1) {
            sweep_ = true;
            sink_.SweepHeading(line.number, line.value);
            return true;
        }
        if (line.kind == LineKind::ControlHeading && line.number == 1) {
            control_ = true;
            return true;
        }
        if (line.kind != LineKind::CardFound && line.kind != LineKind::CardMissing)
            return false;
        stage_ = Stage::Revision;
        cardFound_ = line.kind == LineKind::CardFound;
        sink_.CardCheck(line.number, cardFound_);
        if (line.kind == LineKind::CardMissing)
            Problem(FindingKind::NoCard, line.number);
        return true;
    case Stage::Revision:
        stage_ = Stage::Body;
        if (line.kind == LineKind::Revision) {
            sink_.Revision(line.number, line.value);
            return true;
        }
        Problem(FindingKind::MissingRevision, line.number);
        Body(line);
        return true;
    case Stage::Body:
        Body(line);
        return true;
    case Stage::Closed:
        if (line.kind == LineKind::PausePrompt && !sweep_ && !control_) {
            stage_ = Stage::Paused;
            return true;
        }
        Problem(FindingKind::LineAfterClosing, line.number);
        return true;
    case Stage::Paused:
        Problem(FindingKind::LineAfterPause, line.number);
        return true;
    }
    return true;
}

void ProtocolFollower::Body(const RecordLine& line)
{
    if (current_.kind != Sequence::None && Continue(line))
        return;
    if (blankLine_ != 0) {
        const std::uint64_t blank = blankLine_;
        blankLine_ = 0;
        if (line.kind == LineKind::ClosingPrompt && !sweep_ && !control_) {
            stage_ = Stage::Closed;
            return;
        }
        if (line.kind != LineKind::ReportHeading)
            Problem(FindingKind::BlankOutOfPlace, blank);
    }
    Other(line);
}

// A line that continues no step under way.
void ProtocolFollower::Other(const RecordLine& line)
{
    switch (line.kind) {
    case LineKind::Switch: StartPush(line); return;
    case LineKind::Access:
        if (line.write && line.offset == ControlRegister && line.value < Boards) {
            StartFetch(line);
            return;
        }
        Access(line, Sequence{});
        AccessProblem(FindingKind::StrayAccess, line, Sequence{});
        return;
    case LineKind::Blank: blankLine_ = line.number; return;
    case LineKind::ReportHeading:
        Problem(FindingKind::OrphanReport, line.number, line.n);
        current_ = Sequence{Sequence::Report, line.n, line.number};
        orphan_ = true;
        step_ = 2;
        return;
    case LineKind::ReportWord:
    case LineKind::ReportRule: Problem(FindingKind::ReportLineOutside, line.number); return;
    case LineKind::RelayRangeError: Problem(FindingKind::RefusedRelay, line.number, line.n); return;
    case LineKind::BoardRangeError: Problem(FindingKind::RefusedBoard, line.number, line.n); return;
    case LineKind::ClosingPrompt:
    case LineKind::SweepHeading:
    case LineKind::SweepComplete:
    case LineKind::SweepNoCard:
    case LineKind::SweepStopped:
    case LineKind::ControlHeading:
    case LineKind::ControlComplete:
    case LineKind::ControlNoCard:
    case LineKind::ControlStopped: Framing(line); return;
    case LineKind::ControlCommand:
    case LineKind::ControlRefused:
        if (!control_)
            Framing(line);
        return;
    case LineKind::CardFound:
    case LineKind::CardMissing: Problem(FindingKind::SecondCardCheck, line.number); return;
    case LineKind::Revision: Problem(FindingKind::SecondRevision, line.number); return;
    case LineKind::PausePrompt: Problem(FindingKind::PauseBeforeClosing, line.number); return;
    }
}

// The lines that end a record, the framing programs' first lines anywhere
// after the start, and relayctl's own lines in another program's record.
void ProtocolFollower::Framing(const RecordLine& line)
{
    const LineKind k = line.kind;
    const bool noCard = k == LineKind::SweepNoCard || k == LineKind::ControlNoCard;
    const bool closes =
        sweep_     ? k == LineKind::SweepComplete || k == LineKind::SweepNoCard || k == LineKind::SweepStopped
        : control_ ? k == LineKind::ControlComplete || k == LineKind::ControlNoCard || k == LineKind::ControlStopped
                   : k == LineKind::ClosingPrompt;
    if (!closes || (noCard && cardFound_)) {
        Finding f(FindingKind::LineOutOfPlace, line.number);
        f.n = static_cast<std::int64_t>(line.kind);
        f.on = sweep_;
        sink_.Problem(f);
    } else if (line.kind == LineKind::ClosingPrompt) {
        Problem(FindingKind::NoBlankBeforePrompt, line.number);
    } else if (line.kind == LineKind::SweepStopped) {
        // Stopped from outside: what it swept is judged, the rest unverified.
        Finding f(FindingKind::SweepStopped, line.number);
        f.n = lastClosed_;
        f.otherLine = lastClosedAt_;
        sink_.Problem(f);
    }
    if (closes)
        stage_ = Stage::Closed;
}

// The step under way is done.
void ProtocolFollower::Done()
{
    last_ = current_;
    current_ = Sequence{};
}

// True when the line is the next one of the step under way. Otherwise the
// step is reported as broken off and the line is left to the caller.
bool ProtocolFollower::Continue(const RecordLine& line)
{
    switch (current_.kind) {
    case Sequence::Push: return ContinuePush(line);
    case Sequence::Fetch: return ContinueFetch(line);
    case Sequence::Report: return ContinueReport(line);
    case Sequence::None:
    case Sequence::StartFetch: break;
    }
    return false;
}

void ProtocolFollower::BreakOff(const RecordLine& line)
{
    Finding f(FindingKind::BrokenOff, line.number);
    f.within = current_;
    f.n = step_;
    sink_.Problem(f);
    current_ = Sequence{};
}

void ProtocolFollower::StartPush(const RecordLine& line)
{
    if (line.n < 0 || line.n >= Relays) {
        Problem(FindingKind::NoSuchRelay, line.number, line.n);
        return;
    }
    const int c = CrosspointOf(line.n);
    std::uint32_t& word = WordOf(image_[BoardOf(line.n)], c);
    const std::uint32_t mask = MaskOf(c);
    word = line.on ? word | mask : word & ~mask;
    lastSwitch_ = line.n;
    if (line.on) {
        lastClosed_ = line.n;
        lastClosedAt_ = line.number;
    }
    current_ = Sequence{Sequence::Push, line.n, line.number};
    step_ = 0;
}

bool ProtocolFollower::ContinuePush(const RecordLine& line)
{
    const bool control = step_ == WordsPerBoard;
    const std::uint32_t offset = control ? ControlRegister : DataRegister[step_];
    // Control without the go flag starts a fetch: it is no part of the push.
    if (line.kind != LineKind::Access || !line.write || line.offset != offset ||
        (control && (line.value & GoFlag) == 0)) {
        BreakOff(line);
        return false;
    }
    Access(line, current_);
    const int board = BoardOf(current_.number);
    const std::uint32_t wanted =
        control ? static_cast<std::uint32_t>(board) | GoFlag : image_[board][static_cast<std::size_t>(step_)];
    if (line.value != wanted) {
        Finding f(FindingKind::WrongValue, line.number);
        f.access = line;
        f.within = current_;
        f.value = wanted;
        sink_.Problem(f);
    }
    if (++step_ > WordsPerBoard)
        Done();
    return true;
}

void ProtocolFollower::StartFetch(const RecordLine& line)
{
    const auto board = static_cast<std::int32_t>(line.value);
    Access(line, Sequence{Sequence::StartFetch, board, line.number});
    current_ = Sequence{Sequence::Fetch, board, line.number};
    step_ = 0;
}

bool ProtocolFollower::ContinueFetch(const RecordLine& line)
{
    if (line.kind != LineKind::Access || line.write || line.offset != DataRegister[step_]) {
        BreakOff(line);
        return false;
    }
    Access(line, current_);
    fetch_.fetched[static_cast<std::size_t>(step_)] = line.value;
    fetch_.wordLines[static_cast<std::size_t>(step_)] = line.number;
    if (++step_ == WordsPerBoard) {
        ReadBackDone();
        current_.kind = Sequence::Report;
        orphan_ = false;
        step_ = 0;
    }
    return true;
}

// A whole board has come back: hand it on with what was last sent to that
// board, and name every relay that differs from it.
void ProtocolFollower::ReadBackDone()
{
    const int board = current_.number;
    fetch_.board = board;
    fetch_.firstLine = current_.line;
    fetch_.lastLine = fetch_.wordLines[WordsPerBoard - 1];
    fetch_.pushedAt = pushedAt_[board];
    fetch_.pushed = pushed_[board];
    fetch_.lastSwitch = lastSwitch_;
    FindLanding();
    sink_.BoardReadBack(fetch_);
    // A sweep's relays are judged at the end, each once, not at every read.
    if (sweep_)
        return;
    for (int c = 0; fetch_.pushedAt != 0 && c < RelaysPerBoard; ++c) {
        if (Bit(fetch_.fetched, c) == Bit(fetch_.pushed, c))
            continue;
        Finding f(FindingKind::RelayDiffers, fetch_.wordLines[static_cast<std::size_t>(c / 32)]);
        f.n = board * RelaysPerBoard + c;
        f.on = Bit(fetch_.fetched, c);
        sink_.Problem(f);
    }
    // From here on relaytest pushes this board with what came back.
    image_[board] = fetch_.fetched;
}

// A board that reads back another board's last push, not its own, got that
// push too: the latest such push is named.
void ProtocolFollower::FindLanding()
{
    fetch_.landedFrom = -1;
    fetch_.landedAt = 0;
    if (fetch_.pushedAt == 0 || fetch_.fetched == fetch_.pushed || fetch_.fetched == Words{})
        return;
    for (int other = 0; other < Boards; ++other) {
        if (other != fetch_.board && pushedAt_[other] > fetch_.landedAt && pushed_[other] == fetch_.fetched) {
            fetch_.landedFrom = other;
            fetch_.landedAt = pushedAt_[other];
        }
    }
}

bool ProtocolFollower::ContinueReport(const RecordLine& line)
{
    if (line.kind != ReportOrder[step_]) {
        if (!orphan_)
            BreakOff(line);
        // An empty line alone may as well have been the one before the
        // closing prompt.
        if (step_ == 1)
            blankLine_ = line.number - 1;
        current_ = Sequence{};
        return false;
    }
    if (!orphan_)
        CheckReportLine(line);
    if (++step_ == ReportLines)
        Done();
    return true;
}

// A report must show the board just fetched, word for word.
void ProtocolFollower::CheckReportLine(const RecordLine& line)
{
    Finding f(FindingKind::ReportOtherBoard, line.number);
    f.within = current_;
    if (line.kind == LineKind::ReportHeading && line.n != current_.number) {
        f.n = line.n;
        sink_.Problem(f);
        return;
    }
    if (line.kind != LineKind::ReportWord)
        return;
    const std::size_t word = static_cast<std::size_t>(step_ - 2);
    f.first = current_.number * RelaysPerBoard + static_cast<std::int32_t>(word) * 32;
    f.value = line.value;
    if (line.n != f.first || line.last != f.first + 31) {
        f.kind = FindingKind::ReportLabels;
        f.n = line.n;
        f.last = line.last;
        sink_.Problem(f);
    }
    if (line.map != line.value) {
        f.kind = FindingKind::ReportMapMismatch;
        sink_.Problem(f);
    }
    if (line.value != fetch_.fetched[word]) {
        f.kind = FindingKind::ReportFetchMismatch;
        f.other = fetch_.fetched[word];
        f.otherLine = fetch_.wordLines[word];
        sink_.Problem(f);
    }
}

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
        }
        return;
    }
    for (std::size_t word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            latch_[word] = line.value;
    }
}

// A wait polls until the controller reads idle, or 10000 times.
void ProtocolFollower::CheckWait(const RecordLine& line, const Sequence& within)
{
    const PollSummary& polls = line.polls;
    if (polls.count == 0) {
        AccessProblem(FindingKind::NoPoll, line, within);
    } else if (polls.count > PollLimit) {
        AccessProblem(FindingKind::PastLimit, line, within);
    } else if (polls.firstIdle != 0 && polls.firstIdle < polls.count) {
        Finding f(FindingKind::WaitWentOn, line.number);
        f.access = line;
        f.within = within;
        f.count = polls.firstIdle;
        sink_.Problem(f);
    } else if (polls.firstIdle == 0) {
        AccessProblem(polls.count == PollLimit ? FindingKind::StillBusyAtLimit : FindingKind::GaveUpEarly, line, within);
    }
    if (polls.strayAddress) {
        Finding f(FindingKind::StrayPoll, line.number);
        f.access = line;
        f.within = within;
        f.value = polls.strayAddressValue;
        sink_.Problem(f);
    }
}

Stop ProtocolFollower::StoppedAt(std::uint64_t lastLine) const
{
    Stop stop;
    stop.phase = stage_ == Stage::CardCheck ? Stop::CardCheck : stage_ == Stage::Revision ? Stop::Revision : Stop::Body;
    stop.sweep = sweep_;
    stop.line = lastLine;
    stop.within = current_;
    stop.done = step_;
    stop.last = last_;
    return stop;
}

}  // namespace relaylog
