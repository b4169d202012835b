#include "OutputShape.h"

#include <array>
#include <cstdio>

#include "RecordReader.h"

using relaylog::LineKind;
using relaylog::PollSummary;
using relaylog::ReadFault;
using relaylog::ReadResult;
using relaylog::ReaderMode;
using relaylog::RecordLine;
using relaylog::RecordReader;

namespace {

constexpr int Boards = 8;
constexpr int Relays = Boards * 128;
constexpr std::uint64_t PollLimit = 10000;
constexpr std::uint32_t Control = 0x100;
constexpr std::uint32_t Data0 = 0x104;

using Words = std::array<std::uint32_t, 4>;

std::string Hex(std::uint32_t value)
{
    char text[16];
    (void)std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

ShapeFault FromReader(ReadFault fault)
{
    switch (fault) {
    case ReadFault::BadPoll: return ShapeFault::MalformedPoll;
    case ReadFault::PollsAlone: return ShapeFault::PollsAlone;
    case ReadFault::CutInsideLine: return ShapeFault::UnendedLine;
    case ReadFault::LineEnd: return ShapeFault::WrongLineEnd;
    default: return ShapeFault::NotAProgramLine;
    }
}

class Checker {
public:
    explicit Checker(const std::string& out) : reader_(out, ReaderMode::Strict) {}

    ShapeProblem Run(const ShapeExpectation& expect)
    {
        if (expect.wholeRun) {
            Expect(expect.cardPresent ? LineKind::CardFound : LineKind::CardMissing);
            const RecordLine* revision = Expect(LineKind::Revision);
            if (revision != nullptr && revision->value != expect.revision)
                Fail(ShapeFault::WrongLine, "the revision line shows another value");
        }
        for (const ShapeStep& step : expect.steps) {
            if (problem_.fault != ShapeFault::None)
                break;
            switch (step.kind) {
            case ShapeStepKind::Switch: Switch(step.number, step.on); break;
            case ShapeStepKind::Read: Read(step.number); break;
            case ShapeStepKind::Query:
                if (RelayInRange(step.number))
                    Report(step.number / 128);
                break;
            }
        }
        if (expect.wholeRun) {
            const RecordLine* blank = Expect(LineKind::Blank);
            if (blank != nullptr && blank->carriageReturn)
                Fail(ShapeFault::WrongLineEnd, "the empty line before the closing prompt ends in \"\\r\\n\"");
            Expect(LineKind::ClosingPrompt);
        }
        if (problem_.fault == ShapeFault::None && Next())
            Fail(ShapeFault::ExtraLine, "a line after the last expected one");
        return problem_;
    }

    std::size_t Traces() const { return traces_; }

private:
    // The next line, or false (with the problem noted) at the end of the
    // output or where the reader refuses it.
    bool Next()
    {
        if (problem_.fault != ShapeFault::None)
            return false;
        switch (reader_.Next(line_)) {
        case ReadResult::Line:
            if (line_.kind == LineKind::Access)
                traces_ += line_.polls.count + 1;
            return true;
        case ReadResult::End: break;
        case ReadResult::Malformed:
            problem_ = {reader_.ErrorLine(), FromReader(reader_.Fault()), reader_.Error()};
            return false;
        }
        return false;
    }

    void Fail(ShapeFault fault, const std::string& what)
    {
        if (problem_.fault == ShapeFault::None)
            problem_ = {line_.number, fault, what};
    }

    // The next line, which must be of this kind.
    const RecordLine* Expect(LineKind kind)
    {
        const std::uint64_t before = reader_.LinesRead();
        if (!Next()) {
            if (problem_.fault == ShapeFault::None)
                problem_ = {before + 1, ShapeFault::EndsEarly, "the output ends early"};
            return nullptr;
        }
        if (line_.kind != kind) {
            Fail(ShapeFault::WrongLine, "a line of another kind than the step calls for");
            return nullptr;
        }
        return &line_;
    }

    bool RelayInRange(std::int32_t relay)
    {
        if (relay >= 0 && relay < Relays)
            return true;
        const RecordLine* error = Expect(LineKind::RelayRangeError);
        if (error != nullptr && error->n != relay)
            Fail(ShapeFault::WrongLine, "the error names relay " + std::to_string(error->n));
        return false;
    }

    // One windowed access: its polls, then the access trace that ends the
    // line. Returns the value the trace shows.
    std::uint32_t Access(std::uint32_t offset, bool write)
    {
        const RecordLine* line = Expect(LineKind::Access);
        if (line == nullptr)
            return 0;
        const PollSummary& polls = line->polls;
        if (polls.count == 0 || polls.count > PollLimit)
            Fail(ShapeFault::PollCount, std::to_string(polls.count) + " busy-check traces before an access");
        else if (polls.firstIdle != 0 && polls.firstIdle < polls.count)
            Fail(ShapeFault::PolledAfterIdle, "polling went on after the controller read idle");
        else if (polls.firstIdle == 0 && polls.count < PollLimit)
            Fail(ShapeFault::AccessWhileBusy, "the access went ahead while busy");
        else if (polls.strayAddress)
            Fail(ShapeFault::StrayPoll, "a busy check polls another register than control");
        else if (line->offset != offset || line->write != write)
            Fail(ShapeFault::WrongAccess, "another register access than the step calls for");
        return line->value;
    }

    void ExpectWrite(std::uint32_t offset, std::uint32_t value)
    {
        const std::uint32_t written = Access(offset, true);
        if (written != value)
            Fail(ShapeFault::WrongValue, "wrote " + Hex(written) + " where the board's image holds " + Hex(value));
    }

    void Switch(std::int32_t relay, bool on)
    {
        if (!RelayInRange(relay))
            return;
        const RecordLine* line = Expect(LineKind::Switch);
        if (line != nullptr && (line->n != relay || line->on != on))
            Fail(ShapeFault::WrongLine, "the switch line names another relay or state");
        const auto board = static_cast<std::size_t>(relay / 128);
        const int c = relay % 128;
        std::uint32_t& word = state_[board][static_cast<std::size_t>(c / 32)];
        const std::uint32_t mask = 1u << (c % 32);
        word = on ? word | mask : word & ~mask;
        for (std::uint32_t w = 0; w < 4; ++w)
            ExpectWrite(Data0 + 4 * w, state_[board][w]);
        ExpectWrite(Control, static_cast<std::uint32_t>(board) | 0x80);
    }

    void Read(std::int32_t board)
    {
        if (board >= 0 && board < Boards) {
            Report(board);
            return;
        }
        const RecordLine* error = Expect(LineKind::BoardRangeError);
        if (error != nullptr && error->n != board)
            Fail(ShapeFault::WrongLine, "the error names board " + std::to_string(error->n));
    }

    void Report(int board)
    {
        ExpectWrite(Control, static_cast<std::uint32_t>(board));
        Words& words = state_[static_cast<std::size_t>(board)];
        for (std::uint32_t w = 0; w < 4; ++w)
            words[w] = Access(Data0 + 4 * w, false);
        const RecordLine* blank = Expect(LineKind::Blank);
        if (blank != nullptr && !blank->carriageReturn)
            Fail(ShapeFault::WrongLineEnd, "the empty line before a report ends in \"\\n\"");
        const RecordLine* heading = Expect(LineKind::ReportHeading);
        if (heading != nullptr && heading->n != board)
            Fail(ShapeFault::WrongLine, "the heading names board " + std::to_string(heading->n));
        for (std::size_t w = 0; w < 4; ++w) {
            const RecordLine* line = Expect(LineKind::ReportWord);
            if (line == nullptr)
                return;
            const auto first = static_cast<std::int32_t>(board * 128 + static_cast<int>(w) * 32);
            if (line->value != words[w])
                Fail(ShapeFault::ReportNotTheFetch, "the report shows " + Hex(line->value) + ", the read " + Hex(words[w]));
            else if (line->n != first || line->last != first + 31)
                Fail(ShapeFault::WrongRange, "the report labels other relays");
            else if (line->map != line->value)
                Fail(ShapeFault::MapNotTheWord, "the map differs from its word");
        }
        Expect(LineKind::ReportRule);
    }

    RecordReader reader_;
    RecordLine line_;
    ShapeProblem problem_;
    std::size_t traces_ = 0;
    std::array<Words, Boards> state_{};
};

}  // namespace

ShapeProblem CheckOutputShape(const std::string& out, const ShapeExpectation& expect, std::size_t* registerTraces)
{
    Checker checker(out);
    ShapeProblem problem = checker.Run(expect);
    if (registerTraces != nullptr)
        *registerTraces = checker.Traces();
    return problem;
}

std::string Describe(const ShapeProblem& problem)
{
    if (problem.fault == ShapeFault::None)
        return {};
    return "line " + std::to_string(problem.line) + ": " + problem.detail;
}

std::vector<ShapeStep> TestSequenceSteps()
{
    using K = ShapeStepKind;
    return {{K::Switch, 0, true},   {K::Switch, 100, true}, {K::Switch, 105, true},
            {K::Switch, 8, true},   {K::Read, 0, false},    {K::Switch, 129, true},
            {K::Switch, 254, true}, {K::Read, 0, false},    {K::Read, 1, false}};
}
