#include "Protocol.h"

#include <algorithm>
#include <iterator>

namespace relaylog {

namespace {

// The lines of a board report after its fetch, in order.
constexpr LineKind ReportOrder[] = {LineKind::Blank,      LineKind::ReportHeading, LineKind::ReportWord,
                                    LineKind::ReportWord, LineKind::ReportWord,    LineKind::ReportWord,
                                    LineKind::ReportRule};
constexpr int ReportLines = sizeof ReportOrder / sizeof ReportOrder[0];

}  // namespace

bool ProtocolFollower::Take(const RecordLine& line)
{
    switch (stage_) {
    case Stage::CardCheck:
        if (line.kind == LineKind::Heading && !Started()) {
            program_ = line.frame;
            if (Is(RunKind::Sweep))
                tell_(&FindingSink::SweepHeading, line.number, line.value);
            return true;
        }
        if (!IsCardCheck(line.kind))
            return false;
        stage_ = Stage::Revision;
        cardFound_ = line.kind == LineKind::CardFound;
        tell_(&FindingSink::CardCheck, line.number, cardFound_);
        if (!cardFound_)
            Found(line.number, Kind::NoCard);
        return true;
    case Stage::Revision:
        stage_ = Stage::Body;
        if (line.kind == LineKind::Revision) {
            tell_(&FindingSink::Revision, line.number, line.value);
            return true;
        }
        Found(line.number, Kind::MissingRevision);
        [[fallthrough]];
    case Stage::Body:
        // The line after a framed run's card header names its wiring, or the
        // record has none; the next names the ledger it counted into, or none.
        if (!ledgerKnown_ && !Is(RunKind::Fixed)) {
            if (!wiringKnown_) {
                wiringKnown_ = true;
                tell_(&FindingSink::RecordWiring, line.number, line.kind == LineKind::Wiring ? line.text : std::string());
                if (line.kind == LineKind::Wiring)
                    return true;
            }
            ledgerKnown_ = true;
            if (line.kind == LineKind::Ledger) {
                tell_(&FindingSink::RecordLedger, line.text);
                return true;
            }
        }
        Body(line);
        return true;
    case Stage::Closed:
        if (line.kind == LineKind::PausePrompt && Is(RunKind::Fixed))
            stage_ = Stage::Paused;
        else
            Found(line.number, Kind::LineAfterClosing);
        return true;
    case Stage::Paused:
        Found(line.number, Kind::LineAfterPause);
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
        if (line.kind == LineKind::ClosingPrompt && Is(RunKind::Fixed)) {
            stage_ = Stage::Closed;
            return;
        }
        if (line.kind != LineKind::ReportHeading)
            Found(blank, Kind::BlankOutOfPlace);
    }
    Other(line);
}

// A line that continues no step under way. A line of one kind of run in
// another's record, and a line of the frame, are left to Framing.
void ProtocolFollower::Other(const RecordLine& line)
{
    const RunKind writer = WrittenBy(line.kind);
    if (writer != RunKind::Every && !Is(writer)) {
        Framing(line);
        return;
    }
    switch (line.kind) {
    case LineKind::Switch: StartPush(line); return;
    case LineKind::Access:
        if (line.write && line.offset == ControlRegister && line.value < Boards) {  // a fetch begins
            const auto board = static_cast<std::int32_t>(line.value);
            Access(line, Sequence{Sequence::StartFetch, board, line.number});
            current_ = Sequence{Sequence::Fetch, board, line.number};
            step_ = 0;
            return;
        }
        Access(line, Sequence{});
        Found(AccessFinding(Kind::StrayAccess, line, Sequence{}));
        return;
    case LineKind::Blank: blankLine_ = line.number; return;
    case LineKind::ReportHeading:
        Found(line.number, Kind::OrphanReport, line.n);
        current_ = Sequence{Sequence::Report, line.n, line.number};
        orphan_ = true;
        step_ = 2;
        return;
    case LineKind::ReportWord:
    case LineKind::ReportRule: Found(line.number, Kind::ReportLineOutside); return;
    case LineKind::RelayRangeError: Found(line.number, Kind::RefusedRelay, line.n); return;
    case LineKind::BoardRangeError: Found(line.number, Kind::RefusedBoard, line.n); return;
    case LineKind::ControlCommand: CommandDone(); return;
    case LineKind::ControlRefused: Found(line.number, Kind::ControlRefusedBoard, line.n); return;
    case LineKind::RouteMade:
    case LineKind::RouteBroken:
    case LineKind::RouteFailed: Route(line); return;
    case LineKind::DeepPass:
    case LineKind::DeepSkip:
        // From relaysweep's first "Deep pass:" line on, its read-backs are the deep passes'.
        deep_ = true;
        if (line.kind == LineKind::DeepPass)
            return;
        [[fallthrough]];
    case LineKind::RelaySkipped:
    case LineKind::CommandRefused:
    case LineKind::RulesBroken:
        if (line.n < 0 || line.n >= Relays)
            Found(line.number, Kind::NoSuchRelay, line.n);
        else
            tell_(&FindingSink::RuleLine, line);
        return;
    case LineKind::CardFound:
    case LineKind::CardMissing: Found(line.number, Kind::SecondCardCheck); return;
    case LineKind::Revision: Found(line.number, Kind::SecondRevision); return;
    case LineKind::PausePrompt: Found(line.number, Kind::PauseBeforeClosing); return;
    default: return;  // relayctl's refusal by its per-board limit: the operator's request refused, no fault
    }
}

// The lines that end a record, the headings anywhere after the start, and
// the lines of one kind of run in another's record. A framed run ends with a
// last line of its own closing word.
void ProtocolFollower::Framing(const RecordLine& line)
{
    const LineKind k = line.kind;
    const bool last = line.frame != nullptr && k != LineKind::Heading;
    const bool closes = Is(RunKind::Fixed) ? k == LineKind::ClosingPrompt
                                           : last && line.frame->closing == program_->closing;
    const auto framed = [&](std::uint64_t at, Kind kind) {
        return Finding{at, kind, -1, lastClosed_, {lastClosedAt_}, false, {}, {}, k, line.frame, program_};
    };
    if (closes && k == LineKind::Busy) {
        // The waits that ran out are the stop's cause: named once, where they began.
        Found(framed(held_.empty() ? line.number : held_[0].line, Kind::StoppedBusy));
        held_.clear();
    }
    Flush();
    CommandDone();
    if (!closes || (k == LineKind::NoCard && cardFound_))
        Found(framed(line.number, Kind::LineOutOfPlace));
    else if (k == LineKind::ClosingPrompt)
        Found(line.number, Kind::NoBlankBeforePrompt);
    else if (k == LineKind::Interrupted || k == LineKind::Unwritten)  // what it did is judged, the rest unverified
        Found(framed(line.number, Kind::Stopped));
    else if (k == LineKind::Complete && Is(RunKind::Sweep) && lastClosed_ < 0)
        Found(line.number, Kind::NothingVerified);
    if (closes)
        stage_ = Stage::Closed;
}

// True when the line is the next one of the step under way. Otherwise the
// step is reported as broken off and the line is left to the caller. A push
// writes the four data words, then control with the go flag (control without
// it starts a fetch: no part of the push); a fetch reads the data words.
bool ProtocolFollower::Continue(const RecordLine& line)
{
    if (current_.kind == Sequence::Report)
        return ContinueReport(line);
    const bool push = current_.kind == Sequence::Push;
    const bool control = push && step_ == WordsPerBoard;
    if (line.kind != LineKind::Access || line.write != push ||
        line.offset != (control ? ControlRegister : DataRegister[step_]) || (control && (line.value & GoFlag) == 0)) {
        BreakOff(line);
        return false;
    }
    Access(line, current_);
    const auto word = static_cast<std::size_t>(step_++);
    if (!push) {
        fetch_.fetched[word] = line.value;
        fetch_.wordLines[word] = line.number;
        if (step_ == WordsPerBoard)
            ReadBackDone();
        return true;
    }
    const int board = BoardOf(current_.number);
    std::uint32_t wanted = control ? static_cast<std::uint32_t>(board) | GoFlag : image_[board][word];
    // relayctl, and relaysweep's deep passes, push a board all open, whatever
    // it read back (all ones too), as a switch off of its first relay.
    const bool openAll = (Is(RunKind::Switching) || deep_) && !switchedOn_ && CrosspointOf(current_.number) == 0;
    if (openAll && !control && line.value == 0)
        wanted = 0;
    if (openAll && control && latch_ == Words{})
        image_[board] = Words{};
    if (line.value != wanted)
        Found(AccessFinding(Kind::WrongValue, line, current_, wanted));
    if (control) {
        last_ = current_;
        current_ = Sequence{};
    }
    return true;
}

void ProtocolFollower::BreakOff(const RecordLine& line)
{
    // A stop of a framed run from within a step breaks it off: its own line
    // names the stop.
    if (line.kind != LineKind::Busy && line.kind != LineKind::Unwritten)
        Found(Finding{line.number, Kind::BrokenOff, -1, step_, {}, false, current_});
    current_ = Sequence{};
}

void ProtocolFollower::StartPush(const RecordLine& line)
{
    if (line.n < 0 || line.n >= Relays) {
        Found(line.number, Kind::NoSuchRelay, line.n);
        return;
    }
    const int c = CrosspointOf(line.n);
    std::uint32_t& word = WordOf(image_[BoardOf(line.n)], c);
    word = line.on ? word | MaskOf(c) : word & ~MaskOf(c);
    lastSwitch_ = line.n;
    switchedOn_ = line.on;
    if (line.on) {
        closing_.set(static_cast<std::size_t>(line.n));
        lastClosed_ = line.n;
        lastClosedAt_ = line.number;
    }
    current_ = Sequence{Sequence::Push, line.n, line.number};
    step_ = 0;
}

// A whole board has come back: hand it on with what was last sent to that
// board, and name every relay that differs from it.
void ProtocolFollower::ReadBackDone()
{
    const int board = current_.number;
    // The read-back's lines, the push it is compared with, and the switch before it.
    fetch_ = ReadBack{board, current_.line, fetch_.wordLines[WordsPerBoard - 1], pushedAt_[board], fetch_.fetched,
                      pushed_[board], fetch_.wordLines, lastSwitch_, switchedOn_, deep_};
    std::copy(std::begin(pushed_), std::end(pushed_), fetch_.latched.begin());
    FindLanding();
    tell_(&FindingSink::BoardReadBack, fetch_);
    current_.kind = Sequence::Report;
    orphan_ = false;
    step_ = 0;
    // A sweep's or relayctl's relays are judged at the end, each once (one
    // fault, one PROBLEM line), not at every read.
    if (!Is(RunKind::Fixed)) {
        if (Is(RunKind::Switching))
            image_[board] = seen_[board] = fetch_.fetched;
        seenAt_[board] = fetch_.lastLine;
        return;
    }
    for (int c = 0; fetch_.pushedAt != 0 && c < RelaysPerBoard; ++c) {
        if (Bit(fetch_.fetched, c) == Bit(fetch_.pushed, c))
            continue;
        Found(Finding{fetch_.wordLines[static_cast<std::size_t>(c / 32)], Kind::RelayDiffers,
                      board * RelaysPerBoard + c, -1, {}, Bit(fetch_.fetched, c)});
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
    if (++step_ == ReportLines) {
        last_ = current_;
        current_ = Sequence{};
    }
    return true;
}

// A report must show the board just fetched, word for word.
void ProtocolFollower::CheckReportLine(const RecordLine& line)
{
    if (line.kind == LineKind::ReportHeading && line.n != current_.number)
        Found(Finding{line.number, Kind::ReportOtherBoard, line.n, -1, {}, false, current_});
    if (line.kind != LineKind::ReportWord)
        return;
    const std::size_t word = static_cast<std::size_t>(step_ - 2);
    const std::int32_t first = current_.number * RelaysPerBoard + static_cast<std::int32_t>(word) * 32;
    // The relays' labels, the word and the fetched one, and where that was read.
    const auto found = [&](Kind kind, std::int64_t other) {
        Found(Finding{line.number, kind, line.n, other, {static_cast<std::uint64_t>(first), line.value,
                      fetch_.fetched[word]}, false, current_});
    };
    if (line.n != first || line.last != first + 31)
        found(Kind::ReportLabels, line.last);
    if (line.map != line.value)
        found(Kind::ReportMapMismatch, 0);
    if (line.value != fetch_.fetched[word])
        found(Kind::ReportFetchMismatch, static_cast<std::int64_t>(fetch_.wordLines[word]));
}

// A route made must read back closed, relay by relay; one broken, open; a
// failed change's rollback must leave open every relay the command closed.
void ProtocolFollower::Route(const RecordLine& line)
{
    tell_(&FindingSink::RuleLine, line);
    const bool made = line.kind == LineKind::RouteMade;
    if (line.kind == LineKind::RouteFailed) {
        int left = 0;
        while (left < Relays && !(closing_.test(static_cast<std::size_t>(left)) && ReadsClosed(left)))
            ++left;
        const bool any = left < Relays;
        Found(Finding{line.number, Kind::RouteFailed, any ? left : -1, -1, {any ? seenAt_[BoardOf(left)] : 0}, false,
                      {}, line.text});
    }
    for (const std::int32_t relay : line.path) {
        const Finding finding{line.number, Kind::RouteNotFollowed, relay, -1, {seenAt_[BoardOf(relay)]}, made, {},
                              line.text};
        if (made)
            made_.set(static_cast<std::size_t>(relay));
        if (made && !ReadsClosed(relay))
            Found(finding);
        else if (!made && ReadsClosed(relay))
            unbroken_.push_back(finding);
    }
}

// The command's routes are all in: a relay of a route broken that reads back
// closed is a fault unless a route made holds it (a transition never touches
// the relays two routes share, and its made lines may come after).
void ProtocolFollower::CommandDone()
{
    for (const Finding& finding : unbroken_) {
        if (!made_.test(static_cast<std::size_t>(finding.subject)))
            tell_(&FindingSink::Problem, finding);
    }
    unbroken_.clear();
    closing_.reset();
    made_.reset();
}

Stop ProtocolFollower::StoppedAt(std::uint64_t lastLine) const
{
    const auto phase = stage_ == Stage::CardCheck  ? Stop::CardCheck
                       : stage_ == Stage::Revision ? Stop::Revision
                                                   : Stop::Body;
    return Stop{phase, program_, lastLine, current_, step_, last_};
}

}  // namespace relaylog
