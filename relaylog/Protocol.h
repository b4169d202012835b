// Follows a record line by line through the programs' protocol: the card
// check and revision, each switch and the push of its board, each fetch and
// the report of what came back, the frame's last line. It keeps the program's
// image of every board and the controller's registers as the record shows
// them, and hands what it finds to its sinks; it words nothing itself. How it
// follows a run (what each program pushes, when relays are judged) follows
// from the kind of the run's frame (Frames, RecordReader.h).
#ifndef RELAYLOG_PROTOCOL_H
#define RELAYLOG_PROTOCOL_H

#include <bitset>
#include <utility>
#include <vector>

#include "Findings.h"

namespace relaylog {

// A finding about a register access, in the step it belongs to; detail: the
// poll count or word it is judged by.
inline Finding AccessFinding(Kind kind, const RecordLine& access, const Sequence& within, std::uint64_t detail = 0)
{
    return Finding{access.number, kind, -1, -1, {access.offset, access.value, detail}, access.write, within};
}

class ProtocolFollower {
public:
    explicit ProtocolFollower(Sinks tell) : tell_(std::move(tell)) {}

    bool Take(const RecordLine& line);  // false when the record turns out to be no record at all

    bool Started() const { return stage_ != Stage::CardCheck || program_ != Relaytest; }
    bool Complete() const { return stage_ == Stage::Closed || stage_ == Stage::Paused; }
    Stop StoppedAt(std::uint64_t lastLine) const;  // where an incomplete record stopped, after lastLine lines
    const Traffic& Counts() const { return traffic_; }
    Program Of() const { return program_; }
    void Flush();  // hands on the waits held for a stop that did not come

private:
    enum class Stage { CardCheck, Revision, Body, Closed, Paused };

    void Found(const Finding& finding) { tell_(&FindingSink::Problem, finding); }
    void Found(std::uint64_t line, Kind kind, std::int64_t subject = -1) { Found(Finding{line, kind, subject}); }
    void Body(const RecordLine& line);
    void Other(const RecordLine& line);
    void Framing(const RecordLine& line);
    bool Continue(const RecordLine& line);
    bool ContinueReport(const RecordLine& line);
    void BreakOff(const RecordLine& line);
    void CheckReportLine(const RecordLine& line);
    void StartPush(const RecordLine& line);
    void ReadBackDone();
    void FindLanding();
    // Each register access and its wait (ProtocolWaits.cpp).
    void Access(const RecordLine& line, const Sequence& within);
    void CheckWait(const RecordLine& line, const Sequence& within);
    void Hold(const Finding& finding);
    // relayctl's routes, judged by each board's last read-back.
    void Route(const RecordLine& line);
    void CommandDone();
    bool ReadsClosed(int relay) const { return Bit(seen_[BoardOf(relay)], CrosspointOf(relay)); }

    Sinks tell_;
    static constexpr std::size_t HeldWaits = 200;  // 3 stop the program, then it pushes each board open
    std::vector<Finding> held_;
    Stage stage_ = Stage::CardCheck;
    Program program_ = Relaytest;  // by the record's first line
    bool Is(RunKind kind) const { return program_->kind == kind; }
    bool cardFound_ = false;
    bool wiringKnown_ = false;  // the line after the card header has been: a Wiring line or not
    bool ledgerKnown_ = false;  // and the line after that: a Ledger line or not
    std::uint64_t blankLine_ = 0;  // an empty line whose meaning the next line decides

    Words image_[Boards]{};  // the program's own image of each board, which every switch pushes whole
    Words latch_{};  // the controller's data registers
    Words pushed_[Boards]{};  // what each board was last sent
    std::uint64_t pushedAt_[Boards]{};  // line of the control write; 0 when never

    Sequence current_;    // the step under way
    Sequence last_;       // the last step done
    bool orphan_ = false;  // a report with no fetch before it: read, not compared
    int step_ = 0;
    std::int32_t lastSwitch_ = -1;
    bool switchedOn_ = false;
    std::int32_t lastClosed_ = -1;  // the relay last switched on, at line lastClosedAt_
    std::uint64_t lastClosedAt_ = 0;
    ReadBack fetch_;

    // Each board's last read-back (at seenAt_, 0: none); per command: the
    // relays it closed, those of routes it made, and those of routes it broke
    // that read back closed.
    Words seen_[Boards]{};
    std::uint64_t seenAt_[Boards]{};
    std::bitset<Relays> closing_;
    std::bitset<Relays> made_;
    std::vector<Finding> unbroken_;
    bool deep_ = false;  // relaysweep's deep passes have begun
    Traffic traffic_;
};

}  // namespace relaylog

#endif
