#include "RecordCheck.h"

#include <exception>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "Protocol.h"
#include "RecordReader.h"
#include "TextReport.h"
#include "Wording.h"

namespace relaylog {

namespace {

// A line that may begin another run once a run is complete, and the line
// after it that bears that out: a saved record appended to with ">>".
bool MayStartRun(const RecordLine& line)
{
    return line.kind == LineKind::CardFound || line.kind == LineKind::CardMissing ||
           line.kind == LineKind::SweepHeading || line.kind == LineKind::ControlHeading;
}

bool StartsRun(const RecordLine& first, const RecordLine& next)
{
    if (first.kind == LineKind::CardFound || first.kind == LineKind::CardMissing)
        return next.kind == LineKind::Revision;
    return next.kind == LineKind::CardFound || next.kind == LineKind::CardMissing;
}

// One run of a program: its own text report and verdicts, and the file's
// other consumers, all fed by its own follower.
class RunCheck {
public:
    RunCheck(int number, std::uint64_t firstLine, const std::vector<FindingSink*>& also)
        : tell_(SinksOf(also)), follower_(tell_)
    {
        run_.number = number;
        run_.firstLine = firstLine;
    }

    bool Take(const RecordLine& line) { return follower_.Take(line); }
    bool Complete() const { return follower_.Complete(); }
    const Run& Result() const { return run_; }
    const RelayVerdicts& Verdicts() const { return verdicts_; }
    std::string Full() const { return full_.str(); }
    const std::string& Brief() const { return text_.Brief(); }

    // The run ends at lastLine: judged, or, with a reason, not a complete record.
    void Finish(std::uint64_t lastLine, const std::string& error = {})
    {
        follower_.Flush();
        run_.lastLine = lastLine;
        run_.program = follower_.Of();
        if (!error.empty()) {
            tell_(&FindingSink::Error, error);
        } else {
            tell_(&FindingSink::Verdicts, verdicts_);
            for (const Finding& finding : verdicts_.Findings())
                tell_(&FindingSink::Problem, finding);
            tell_(&FindingSink::End, follower_.Counts());
        }
        run_.status = error.empty() ? text_.Status() : 2;
        run_.problems = text_.Problems();
        run_.verdict = text_.Last();
        run_.relays = text_.Relays();
        tell_(&FindingSink::Judged, run_);
    }

    // Why the record read up to the reader's end is not a complete run; empty when it is.
    std::string Incomplete(ReadResult result, const RecordReader& reader, std::uint64_t& line) const
    {
        line = reader.ErrorLine();
        if (result == ReadResult::Malformed && reader.Fault() == ReadFault::CutInsideLine && follower_.Started()) {
            Stop stop = follower_.StoppedAt(line);
            stop.insideLine = true;
            stop.polls = reader.PendingPolls().count;
            return ErrorLine(line = stop.line, StopText(stop));
        }
        if (result == ReadResult::Malformed)
            return ErrorLine(line, reader.Error());
        line = reader.LinesRead();
        if (!follower_.Started())
            return ErrorLine(0, "the input is empty: not a relaytest record");
        if (follower_.Complete())
            return {};
        const Stop stop = follower_.StoppedAt(line);
        return ErrorLine(stop.line, StopText(stop));
    }

private:
    Sinks SinksOf(std::vector<FindingSink*> also)
    {
        also.insert(also.begin(), {&text_, &verdicts_});
        return Sinks(std::move(also));
    }

    std::ostringstream full_;
    TextReport text_{full_};
    RelayVerdicts verdicts_;
    Sinks tell_;
    ProtocolFollower follower_;
    Run run_;
};

// What the runs of a file came to. A file of one run gets that run's report
// as it is; of several, each run under its heading (a row of runs that
// passed as one heading), then the count of runs and the worst verdict.
class FileReport {
public:
    FileReport(std::ostream& out, const std::vector<FindingSink*>& also) : out_(out), also_(also) {}

    void Add(std::unique_ptr<RunCheck> run)
    {
        const Run r = run->Result();
        const std::string brief = run->Brief();
        if (r.number == 1)
            full_ = run->Full();
        ++count_[r.status];
        problems_ += r.problems;
        if (r.status == 2 && error_.empty())
            error_ = r.verdict;
        if (worst_ == nullptr || r.status >= worst_->Result().status)
            worst_ = std::move(run);
        if (r.number == 1) {
            first_ = {r, brief};
            return;
        }
        if (r.number == 2)
            Print(first_.first, first_.second);
        Print(r, brief);
    }

    // The file's exit status; the worst run's verdicts left in verdicts.
    int Close(RelayVerdicts* verdicts)
    {
        if (verdicts != nullptr && worst_ != nullptr)
            *verdicts = worst_->Verdicts();
        const int runs = count_[0] + count_[1] + count_[2];
        if (runs == 1) {
            out_ << full_;
            return worst_->Result().status;
        }
        EndPasses();
        const std::string verdict = count_[2] > 0 ? error_ : VerdictLine(problems_);
        out_ << "\nThe file holds " << runs << " runs: " << count_[0] << " PASS, " << count_[1] << " FAIL, "
             << count_[2] << " not complete\n" << verdict << "\n";
        for (FindingSink* sink : also_)
            sink->FileJudged(worst_->Result(), verdict);
        return worst_->Result().status;
    }

private:
    // A run that passed joins the row of passes before it.
    void Print(const Run& run, const std::string& brief)
    {
        if (run.status == 0 && passes_ > 0 && run.program == pass_.program) {
            ++passes_;
            pass_.lastLine = run.lastLine;
            return;
        }
        EndPasses();
        if (run.status == 0) {
            passes_ = 1;
            pass_ = run;
            return;
        }
        out_ << Heading("Run " + std::to_string(run.number), run) << brief;
    }

    void EndPasses()
    {
        if (passes_ == 0)
            return;
        const std::string runs = passes_ == 1 ? "Run " + std::to_string(pass_.number)
                                              : "Runs " + std::to_string(pass_.number) + "-" +
                                                    std::to_string(pass_.number + passes_ - 1);
        out_ << Heading(runs, pass_) << (passes_ == 1 ? "PASS: no problems\n" : "PASS: no problems, each\n");
        passes_ = 0;
    }

    std::string Heading(const std::string& runs, const Run& run)
    {
        return (headed_++ > 0 ? "\n" : "") + runs + " (lines " + std::to_string(run.firstLine) + "-" + std::to_string(run.lastLine) +
               "): " + ProgramName(run.program) + "\n";
    }

    std::ostream& out_;
    const std::vector<FindingSink*>& also_;
    int count_[3] = {0, 0, 0};
    std::uint64_t problems_ = 0;
    std::unique_ptr<RunCheck> worst_;  // the latest of the worst runs
    std::string error_;                // the first ERROR line
    std::string full_;                 // the first run's report
    std::pair<Run, std::string> first_;
    int headed_ = 0;
    int passes_ = 0;  // the row of runs that passed, from pass_
    Run pass_;
};

int Judge(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also, RelayVerdicts* verdicts)
{
    FileReport file(out, also);
    RecordReader reader(in);
    auto run = std::make_unique<RunCheck>(1, 1, also);
    std::optional<RecordLine> held;  // a line that may start another run
    RecordLine line;
    ReadResult result = ReadResult::Line;
    while ((result = reader.Next(line)) == ReadResult::Line) {
        if (held && StartsRun(*held, line)) {
            const int next = run->Result().number + 1;
            run->Finish(held->number - 1);
            file.Add(std::move(run));
            run = std::make_unique<RunCheck>(next, held->number, also);
        }
        if (held)
            run->Take(*held);
        held.reset();
        if (run->Complete() && MayStartRun(line)) {
            held = line;
            continue;
        }
        if (!run->Take(line)) {
            run->Finish(line.number,
                        ErrorLine(line.number, "not a relaytest record: it does not start with the card check"));
            file.Add(std::move(run));
            return file.Close(verdicts);
        }
    }
    if (held)
        run->Take(*held);
    std::uint64_t last = 0;
    const std::string error = run->Incomplete(result, reader, last);
    run->Finish(last, error);
    file.Add(std::move(run));
    return file.Close(verdicts);
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
