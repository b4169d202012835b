#include "RecordCheck.h"

#include <exception>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "Protocol.h"
#include "RecordReader.h"
#include "Reports.h"

namespace relaylog {

namespace {

// A line that may begin another run, and the line after it that bears that
// out: a saved record appended to with ">>". relaytest's card check begins
// one only after a complete run; the others' first lines, after any line (a
// run that died is followed by the next).
bool MayStartRun(const RecordLine& line, bool complete)
{
    return line.kind == LineKind::Heading || (complete && IsCardCheck(line.kind));
}
bool StartsRun(const RecordLine& first, const RecordLine& next)
{
    return IsCardCheck(first.kind) ? next.kind == LineKind::Revision : IsCardCheck(next.kind);
}

// One run of a program: its own text report and verdicts, and the file's
// other consumers, all fed by its own follower.
struct RunCheck {
    RunCheck(int number, std::uint64_t firstLine, const std::vector<FindingSink*>& also)
        : tell(SinksOf(also)), follower(tell)
    {
        run.number = number;
        run.firstLine = firstLine;
    }

    void Finish(std::uint64_t lastLine, const std::string& error)
    {
        follower.Flush();
        run.lastLine = lastLine;
        run.program = follower.Of();
        if (!error.empty()) {
            tell(&FindingSink::Error, error);
        } else {
            verdicts.Settle();
            tell(&FindingSink::Verdicts, verdicts);
            for (const Finding& finding : verdicts.Findings())
                tell(&FindingSink::Problem, finding);
            tell(&FindingSink::End, follower.Counts());
        }
        text.Judge(run);
        run.status = error.empty() ? run.status : 2;
        tell(&FindingSink::Judged, run);
    }

    // Why the run up to line (the reader's result there) is not complete; empty when it is.
    std::string Incomplete(ReadResult result, const RecordReader& reader, std::uint64_t& line) const
    {
        const bool cut = result == ReadResult::Malformed && reader.Fault() == ReadFault::CutInsideLine;
        if (result == ReadResult::Malformed && !(cut && follower.Started()))
            return ErrorLine(line = reader.ErrorLine(), reader.Error());
        if (!follower.Started())
            return ErrorLine(0, "the input is empty: not a relaytest record");
        if (!cut && follower.Complete())
            return {};
        Stop stop = follower.StoppedAt(cut ? reader.ErrorLine() : line);
        stop.insideLine = cut;
        stop.polls = cut ? reader.PendingPolls().count : 0;
        return ErrorLine(line = stop.line, StopText(stop));
    }

    Sinks SinksOf(std::vector<FindingSink*> also)
    {
        also.insert(also.begin(), {&text, &verdicts});
        return Sinks{std::move(also)};
    }

    std::ostringstream full;
    TextReport text{full};
    RelayVerdicts verdicts;
    Sinks tell;
    ProtocolFollower follower;
    Run run;
};

// What the runs of a file came to. A file of one run gets that run's report
// as it is; of several, each run under its heading (a row of runs that
// passed under one), then the count of runs and the worst verdict.
class FileReport {
public:
    explicit FileReport(const std::vector<FindingSink*>& also) : also_(also) {}

    // The run ends at lastLine: judged, or, with a reason, not a complete record.
    void Add(RunCheck& run, std::uint64_t lastLine, const std::string& error = {})
    {
        run.Finish(lastLine, error);
        const Run& r = run.run;
        if (r.number == 1)
            full_ = run.full.str();
        if (runs_.empty() || r.status >= worst_.status) {
            worst_ = r;
            verdicts_ = run.verdicts;
        }
        runs_.emplace_back(r, run.text.Brief());
    }

    // The file's exit status; the worst run's verdicts (the latest of the worst) left in verdicts.
    int Close(std::ostream& out, RelayVerdicts* verdicts)
    {
        if (verdicts != nullptr)
            *verdicts = verdicts_;
        if (runs_.size() == 1) {
            out << full_;
            return worst_.status;
        }
        int count[3] = {0, 0, 0};
        std::uint64_t problems = 0;
        std::string error;
        for (std::size_t i = 0; i < runs_.size(); ++i) {
            const Run& r = runs_[i].first;
            ++count[r.status];
            problems += r.problems;
            error = error.empty() && r.status == 2 ? r.verdict : error;
            std::size_t last = i;  // a row of passes, from i
            while (r.status == 0 && last + 1 < runs_.size() && runs_[last + 1].first.status == 0 &&
                   runs_[last + 1].first.program->program == std::string(r.program->program))
                ++last;
            out << (i == 0 ? "" : "\n") << (last == i ? "Run " : "Runs ") << r.number
                << (last == i ? "" : "-" + std::to_string(runs_[last].first.number)) << " (lines " << r.firstLine
                << "-" << runs_[last].first.lastLine << "): " << r.program->program << "\n"
                << (last == i ? runs_[i].second : "PASS: no problems, each\n");
            count[0] += static_cast<int>(last - i);
            i = last;
        }
        const std::string verdict = count[2] > 0 ? error : VerdictLine(problems);
        out << "\nThe file holds " << runs_.size() << " runs: " << count[0] << " PASS, " << count[1] << " FAIL, "
            << count[2] << " not complete\n" << verdict << "\n";
        for (FindingSink* sink : also_)
            sink->FileJudged(worst_, verdict);
        return worst_.status;
    }

private:
    const std::vector<FindingSink*>& also_;
    std::vector<std::pair<Run, std::string>> runs_;  // each run and its brief report
    std::string full_;                               // the first run's whole report
    Run worst_;
    RelayVerdicts verdicts_;
};

int Judge(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also, RelayVerdicts* verdicts)
{
    FileReport file(also);
    RecordReader reader(in);
    auto run = std::make_unique<RunCheck>(1, 1, also);
    std::optional<RecordLine> held;  // a line that may start another run
    RecordLine line;
    ReadResult result = ReadResult::Line;
    while ((result = reader.Next(line)) == ReadResult::Line) {
        if (held && StartsRun(*held, line)) {
            const int next = run->run.number + 1;
            std::uint64_t last = held->number - 1;
            const std::string error = run->Incomplete(ReadResult::End, reader, last);
            file.Add(*run, last, error);
            run = std::make_unique<RunCheck>(next, held->number, also);
        }
        if (held)
            run->follower.Take(*held);
        held.reset();
        if (run->follower.Started() && MayStartRun(line, run->follower.Complete())) {
            held = line;
            continue;
        }
        if (!run->follower.Take(line)) {
            file.Add(*run, line.number,
                     ErrorLine(line.number, "not a relaytest record: it does not start with the card check"));
            return file.Close(out, verdicts);
        }
    }
    if (held)
        run->follower.Take(*held);
    std::uint64_t last = reader.LinesRead();
    const std::string error = run->Incomplete(result, reader, last);
    file.Add(*run, last, error);
    return file.Close(out, verdicts);
}

}  // namespace

int CheckRecord(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also, RelayVerdicts* verdicts)
{
    try {
        return Judge(in, out, also, verdicts);
    } catch (const std::exception& e) {
        out << "ERROR: " << e.what() << "\n";
        return 2;
    } catch (...) {
        out << "ERROR: unexpected failure\n";
        return 2;
    }
}

}  // namespace relaylog
