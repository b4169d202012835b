#include "RecordCheck.h"

#include <exception>
#include <utility>

#include "Protocol.h"
#include "RecordReader.h"
#include "TextReport.h"
#include "Wording.h"

namespace relaylog {

namespace {

// Hands everything found to every consumer, in the same order.
class Consumers : public FindingSink {
public:
    explicit Consumers(std::vector<FindingSink*> sinks) : sinks_(std::move(sinks)) {}

    void SweepHeading(std::uint64_t line, std::uint32_t boards) override
    {
        Each([&](FindingSink& s) { s.SweepHeading(line, boards); });
    }
    void CardCheck(std::uint64_t line, bool found) override
    {
        Each([&](FindingSink& s) { s.CardCheck(line, found); });
    }
    void Revision(std::uint64_t line, std::uint32_t value) override
    {
        Each([&](FindingSink& s) { s.Revision(line, value); });
    }
    void BoardReadBack(const ReadBack& readBack) override
    {
        Each([&](FindingSink& s) { s.BoardReadBack(readBack); });
    }
    void Problem(const Finding& finding) override
    {
        Each([&](FindingSink& s) { s.Problem(finding); });
    }
    void Verdicts(const RelayVerdicts& verdicts) override
    {
        Each([&](FindingSink& s) { s.Verdicts(verdicts); });
    }
    void End(const Traffic& traffic) override
    {
        Each([&](FindingSink& s) { s.End(traffic); });
    }
    void Error(const std::string& line) override
    {
        Each([&](FindingSink& s) { s.Error(line); });
    }

private:
    template <typename Call> void Each(const Call& call)
    {
        for (FindingSink* sink : sinks_)
            call(*sink);
    }

    std::vector<FindingSink*> sinks_;
};

bool Fail(FindingSink& sink, std::uint64_t line, const std::string& why)
{
    sink.Error(ErrorLine(line, why));
    return false;
}

// Follows the record line by line into the consumers; false once it has
// turned out not to be a complete record, the error handed on.
bool Follow(std::istream& in, Consumers& consumers, ProtocolFollower& follower)
{
    RecordReader reader(in);
    RecordLine line;
    ReadResult result = ReadResult::Line;
    while ((result = reader.Next(line)) == ReadResult::Line) {
        if (!follower.Take(line))
            return Fail(consumers, line.number, "not a relaytest record: it does not start with the card check");
    }
    if (result == ReadResult::Malformed && reader.Fault() == ReadFault::CutInsideLine && follower.Started()) {
        Stop stop = follower.StoppedAt(reader.ErrorLine());
        stop.insideLine = true;
        stop.polls = reader.PendingPolls().count;
        return Fail(consumers, stop.line, StopText(stop));
    }
    if (result == ReadResult::Malformed)
        return Fail(consumers, reader.ErrorLine(), reader.Error());
    if (!follower.Started())
        return Fail(consumers, 0, "the input is empty: not a relaytest record");
    if (!follower.Complete()) {
        const Stop stop = follower.StoppedAt(reader.LinesRead());
        return Fail(consumers, stop.line, StopText(stop));
    }
    return true;
}

int Judge(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also, RelayVerdicts& verdicts)
{
    TextReport text(out);
    std::vector<FindingSink*> sinks{&text, &verdicts};
    sinks.insert(sinks.end(), also.begin(), also.end());
    Consumers consumers(sinks);
    ProtocolFollower follower(consumers);
    if (!Follow(in, consumers, follower))
        return 2;
    consumers.Verdicts(verdicts);
    for (const Finding& finding : verdicts.Findings())
        consumers.Problem(finding);
    consumers.End(follower.Counts());
    return text.Status();
}

}  // namespace

int CheckRecord(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also, RelayVerdicts* verdicts)
{
    try {
        RelayVerdicts own{};
        return Judge(in, out, also, verdicts != nullptr ? *verdicts : own);
    } catch (const std::exception& e) {
        out << "ERROR: " << e.what() << "\n";
        return 2;
    } catch (...) {
        out << "ERROR: unexpected failure\n";
        return 2;
    }
}

}  // namespace relaylog
