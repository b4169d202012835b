#include "RecordCheck.h"

#include <exception>

#include "Protocol.h"
#include "RecordReader.h"
#include "Report.h"

namespace relaylog {

namespace {

// Follows the record line by line into the report; returns the exit status.
int Follow(std::istream& in, ReportWriter& report)
{
    RecordReader reader(in);
    ProtocolFollower follower(report);
    RecordLine line;
    ReadResult result = ReadResult::Line;
    while ((result = reader.Next(line)) == ReadResult::Line) {
        if (!follower.Take(line))
            return report.Error(line.number, "not a relaytest record: it does not start with the card check");
    }
    if (result == ReadResult::Malformed && reader.Fault() == ReadFault::CutInsideLine && follower.Started()) {
        Stop stop = follower.StoppedAt(reader.ErrorLine());
        stop.insideLine = true;
        stop.polls = reader.PendingPolls().count;
        return report.Stopped(stop);
    }
    if (result == ReadResult::Malformed)
        return report.Error(reader.ErrorLine(), reader.Error());
    if (!follower.Started())
        return report.Error(0, "the input is empty: not a relaytest record");
    if (!follower.Complete())
        return report.Stopped(follower.StoppedAt(reader.LinesRead()));
    return report.Verdict(follower.Counts());
}

}  // namespace

int CheckRecord(std::istream& in, std::ostream& out, JUnitReport* junit, RelayVerdicts* verdicts)
{
    try {
        ReportWriter report(out, junit);
        const int status = Follow(in, report);
        if (verdicts != nullptr)
            *verdicts = report.Verdicts();
        return status;
    } catch (const std::exception& e) {
        out << "ERROR: " << e.what() << "\n";
        return 2;
    } catch (...) {
        out << "ERROR: unexpected failure\n";
        return 2;
    }
}

}  // namespace relaylog
