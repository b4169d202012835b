#include "CardScript.h"

#include <functional>

#include "Capture.h"
#include "OutputShape.h"
#include "RelayMatrix.h"
#include "SimControl.h"
#include "SimReset.h"

namespace {

constexpr std::uint32_t ControlOffset = 0x100;
constexpr std::uint32_t BusyBit = 0x80000000u;
constexpr std::size_t MaxCalls = 48;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::uint32_t Word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }

    bool Empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The card's answers to InBAR32. A control-register poll outside a busy run
// takes one byte; its top two bits say what follows:
//   00  one idle poll, any other bits (a word, bit 31 cleared)
//   01  one busy poll, any other bits (a word, bit 31 set)
//   10  a busy run of 1 to 64 polls (low six bits + 1), showing one word
//   11  the same, except that 0xFF starts a long run of 9990 to 10053 busy
//       polls (the next byte's low six bits + 9990) once per case when
//       allowed. Long runs are kept rare because each costs 10000 traces.
// A data read takes one word.
class CardAnswers {
public:
    CardAnswers(Bytes& bytes, bool longRunAllowed) : bytes_(bytes), longRunsLeft_(longRunAllowed ? 1 : 0) {}

    std::uint32_t Read(std::uint32_t offset)
    {
        if (offset != ControlOffset)
            return bytes_.Word();
        if (busyLeft_ > 0) {
            --busyLeft_;
            return busyValue_;
        }
        const std::uint8_t b = bytes_.Byte();
        const std::uint32_t low = b & 0x3Fu;
        switch (b >> 6) {
        case 0: return bytes_.Word() & ~BusyBit;
        case 1: return bytes_.Word() | BusyBit;
        default:
            if (b == 0xFF && longRunsLeft_ > 0) {
                --longRunsLeft_;
                return StartRun(9990 + (bytes_.Byte() & 0x3Fu), BusyBit);
            }
            return StartRun(low + 1, bytes_.Word() | BusyBit);
        }
    }

private:
    std::uint32_t StartRun(std::uint32_t polls, std::uint32_t value)
    {
        busyLeft_ = polls - 1;
        busyValue_ = value;
        return value;
    }

    Bytes& bytes_;
    int longRunsLeft_;
    std::uint32_t busyLeft_ = 0;
    std::uint32_t busyValue_ = 0;
};

// A relay or board number: either any 32-bit value, or one near the valid
// range so that both edges get hit.
std::int32_t Number(Bytes& bytes, std::int32_t count)
{
    const std::uint8_t how = bytes.Byte();
    const std::uint32_t word = bytes.Word();
    if ((how & 1u) != 0)
        return static_cast<std::int32_t>(word);
    const auto span = static_cast<std::uint32_t>(count + count / 8 + 4);
    return static_cast<std::int32_t>(word % span) - count / 16 - 2;
}

// The shape of the output, and one trace in it for every register access the
// card saw: an access that leaves no trace is a fault too.
std::string CheckRun(const std::string& out, const ShapeExpectation& expect)
{
    std::size_t traces = 0;
    const ShapeProblem problem = CheckOutputShape(out, expect, &traces);
    if (problem.fault != ShapeFault::None)
        return Describe(problem);
    std::size_t calls = 0;
    for (const SimCall& call : SimLog())
        calls += call.op == SimOp::InBAR32 || call.op == SimOp::OutBAR32;
    if (calls != traces)
        return std::to_string(calls) + " register accesses but " + std::to_string(traces) + " traces";
    return {};
}

// The whole program: card count and revision from the input, then the test
// sequence against the card's answers.
std::string WholeRun(Bytes& bytes, CardAnswers& card)
{
    ShapeExpectation expect;
    expect.wholeRun = true;
    const auto cards = static_cast<std::int32_t>(bytes.Word());
    expect.cardPresent = cards >= 1;
    expect.revision = bytes.Word();
    expect.steps = TestSequenceSteps();
    SimSetCardCount(cards);
    SimSetRevision(expect.revision);
    SimSetReadOverride([&card](std::uint32_t offset, std::uint32_t) { return card.Read(offset); });

    int code = -1;
    const std::string& out = RunInProcess(&code);
    if (code != 0)
        return "exit status " + std::to_string(code);
    // The simulated card answers 0 for the revision when it reports no card:
    // the line must show whatever the driver returned.
    for (const SimCall& call : SimLog()) {
        if (call.op == SimOp::RelInPortDWord)
            expect.revision = call.value;
    }
    return CheckRun(out, expect);
}

// Calls of the relay matrix with numbers from the input.
std::string Calls(Bytes& bytes, CardAnswers& card)
{
    SimSetReadOverride([&card](std::uint32_t offset, std::uint32_t) { return card.Read(offset); });
    ShapeExpectation expect;
    std::string problem;
    const std::string& out = CaptureStdout([&] {
        for (std::size_t i = 0; i < MaxCalls && !bytes.Empty() && problem.empty(); ++i) {
            const std::uint8_t op = bytes.Byte();
            switch (op % 4) {
            case 0:
            case 1: {
                const std::int32_t relay = Number(bytes, 1024);
                expect.steps.push_back({ShapeStepKind::Switch, relay, op % 4 == 0});
                SetRelay(relay, op % 4 == 0);
                break;
            }
            case 2: {
                const std::int32_t board = Number(bytes, 8);
                expect.steps.push_back({ShapeStepKind::Read, board, false});
                const bool done = ReadBoard(board);
                if (done != (board >= 0 && board < 8))
                    problem = "ReadBoard(" + std::to_string(board) + ") answered " + (done ? "true" : "false");
                break;
            }
            default: {
                const std::int32_t relay = Number(bytes, 1024);
                expect.steps.push_back({ShapeStepKind::Query, relay, false});
                const bool on = RelayIsOn(relay);
                const bool inRange = relay >= 0 && relay < 1024;
                const bool stateOn =
                    inRange && ((RelayState[relay / 128][relay % 128 / 32] >> (relay % 32)) & 1u) != 0;
                if (on != stateOn)
                    problem = "RelayIsOn(" + std::to_string(relay) + ") answered " + (on ? "true" : "false");
                break;
            }
            }
        }
    });
    if (!problem.empty())
        return problem;
    return CheckRun(out, expect);
}

using Mode = std::string (*)(Bytes&, CardAnswers&);
// New modes go at the end.
constexpr Mode Modes[] = {WholeRun, Calls};

}  // namespace

std::size_t CardScriptModeCount() { return sizeof Modes / sizeof Modes[0]; }

std::string RunCardScript(const std::uint8_t* data, std::size_t size)
{
    ResetSimCard();
    Bytes bytes(data, size);
    const std::uint8_t mode = bytes.Byte();
    CardAnswers card(bytes, (mode & 1u) != 0);
    std::string problem = Modes[(mode >> 1) % CardScriptModeCount()](bytes, card);
    SimSetReadOverride({});
    return problem;
}
