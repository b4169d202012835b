// relaylog: reads a saved record of relaytest, relaysweep, relayctl or a
// relaymatrix session and says what went wrong, where, relay by relay. Exit
// status 0 on PASS, 1 on FAIL, 2 when the input cannot be read or is not a
// complete record, when a report cannot be written, and for a usage error.
// Every report asked for is written, even when nothing could be judged, so
// that an older PASS never stands in for this run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <numeric>
#include <sstream>
#include <string>

#include "ReportFiles.h"
#include "Reports.h"
#include "Ledger.h"
#include "RecordCheck.h"
#include "Wiring.h"

namespace relaylog {
namespace {

// What the record says of its card and its wiring, for the reports' properties.
struct CardHeader : FindingSink {
    void CardCheck(std::uint64_t /*line*/, bool isFound) override { card = isFound ? "found" : "not found"; }
    void Revision(std::uint64_t /*line*/, std::uint32_t value) override { revision = Hex(value); }
    // The wiring the record names, and each warning about it once.
    void RecordWiring(std::uint64_t line, const std::string& named) override
    {
        wiring = !named.empty() ? named : StationWiring() != nullptr ? "none" : "";
        const std::string warning = WiringWarning(named);
        const auto said = [&](const std::string& seen) { return seen.find(warning) != std::string::npos; };
        if (!warning.empty() && std::none_of(warnings.begin(), warnings.end(), said))
            warnings.push_back("WARNING line " + std::to_string(line) + ": " + warning);
    }
    std::string card = "no card check in the record";
    std::string revision = "none";
    std::string wiring;
    std::vector<std::string> warnings;
};

PropertyList PropertiesOf(const RecordFacts& facts, const CardHeader& card)
{
    PropertyList properties{{"record", facts.name}, {"record size", std::to_string(facts.size) + " bytes"}};
    if (!facts.modified.empty())
        properties.emplace_back("record modified", facts.modified);
    properties.insert(properties.end(), {{"record encoding", facts.encoding},
                                         {"program", facts.program.empty() ? "unknown" : facts.program},
                                         {"card", card.card}, {"FPGA revision", card.revision}});
    if (StationWiring() != nullptr)
        properties.emplace_back("wiring", WiringNamed(*StationWiring()));
    if (!card.wiring.empty())
        properties.emplace_back("record's wiring", card.wiring);
    for (const std::string& warning : card.warnings)
        properties.emplace_back("warning", warning);
    return properties;
}

// The files the options name that the run reads, or the reports it writes.
std::vector<NamedFile> Named(const Options& o, bool reports)
{
    const NamedFile all[] = {{"", o.record},         {"--baseline", o.baseline}, {"--wiring", o.wiring},
                             {"--ledger", o.ledger}, {"--junit", o.junit},       {"--html", o.html}};
    std::vector<NamedFile> files;
    for (const NamedFile& f : all) {
        if (!f.path.empty() && (f.option == "--junit" || f.option == "--html") == reports)
            files.push_back(f);
    }
    return files;
}

// A record's own closes, for the station's ledger (docs/ledger.md): the
// pushes that took a relay from open to closed. A push counts for a relay
// whose bit goes from clear to set against what the run last knew of its
// board, its last push or its last read-back; a board not seen yet is open,
// as the card is at power-on. Only the runs of relaysweep, relayctl and
// relaymatrix that name no ledger count: one that names one was counted as it
// ran, and relaytest's fixed pass is never counted. Each run of a file saved
// with ">>" was a process of its own, and starts again from open boards.
struct RecordCloses : FindingSink {
    // A framed run names its wiring, or none, before its first push; then the ledger it counted into, if any.
    void RecordWiring(std::uint64_t /*line*/, const std::string& /*named*/) override { counts_ = true; }
    void RecordLedger(const std::string& named) override
    {
        counts_ = false;
        countedIn_ = named;
    }
    void BoardPushed(int board, const Words& words) override
    {
        Words& known = known_[static_cast<std::size_t>(board)];
        for (int c = 0; counts_ && c < RelaysPerBoard; ++c) {
            if (Bit(words, c) && !Bit(known, c))
                ++closes_[static_cast<std::size_t>(board) * RelaysPerBoard + static_cast<std::size_t>(c)];
        }
        known = words;
    }
    void BoardReadBack(const ReadBack& readBack) override
    {
        known_[static_cast<std::size_t>(readBack.board)] = readBack.fetched;
    }
    void Judged(const Run& /*judged*/) override
    {
        counted_ = counted_ || counts_;
        counts_ = false;
        known_ = {};
    }

    // What the ledger was given of them: ", 3 closes", or "; its closes were
    // counted into FILE as it ran", or nothing (relaytest's record).
    std::string Said() const
    {
        if (counted_)
            return ", " + Count(std::accumulate(closes_.begin(), closes_.end(), std::uint64_t{0}), "close", "closes");
        return countedIn_.empty() ? "" : "; its closes were counted into " + Echoed(countedIn_) + " as it ran";
    }
    const std::array<std::uint32_t, Relays>& Closes() const { return closes_; }  // of the runs counted, by relay
    bool Counted() const { return counted_; }                                   // a run was counted

private:
    std::array<std::uint32_t, Relays> closes_{};
    bool counts_ = false;   // the run under way counts
    bool counted_ = false;
    std::string countedIn_;  // the ledger a run names, its closes counted as it ran
    std::array<Words, Boards> known_{};
};

// The JUnit report and the page, each written to its file, if asked for.
struct Reports {
    JUnitReport junit;
    HtmlPage html;

    // False, after a line on standard error for each report that could not
    // be written, naming the first in failed.
    bool Write(const Options& options, const PropertyList& properties, const RelayVerdicts& verdicts,
               const Comparison* comparison, std::string& failed)
    {
        junit.Properties(properties);
        html.Properties(properties);
        const std::string suite =
            options.record.empty() ? "relaylog" : "relaylog " + (options.record == "-" ? "standard input" : options.record);
        bool ok = true;
        for (const NamedFile& report : Named(options, true)) {
            std::string reason;
            const bool written = WriteReport(report.path, [&](std::ostream& out) {
                if (report.option == "--junit")
                    junit.Write(out, suite);
                else
                    html.Write(out, verdicts, comparison);
            }, reason);
            if (written)
                continue;
            const std::string what = report.option + " \"" + Echoed(report.path) + "\": " + reason;
            (void)std::fprintf(stderr, "relaylog: cannot write %s\n", what.c_str());
            failed = ok ? what : failed;
            ok = false;
        }
        return ok;
    }
};

// Nothing could be judged: each report asked for says why, in place of
// whatever an older run left there.
int Unjudged(const Options& options, const std::string& errorLine, const PropertyList& properties)
{
    Reports reports;
    reports.junit.Error(errorLine);
    reports.html.Error(errorLine);
    std::string failed;
    reports.Write(options, properties, RelayVerdicts{}, nullptr, failed);
    return 2;
}

// The baseline's verdicts; empty, or why the baseline cannot be judged.
std::string JudgeBaseline(RecordInput& input, const std::string& name, RelayVerdicts& verdicts)
{
    struct : FindingSink {
        void Error(const std::string& line) override { error = line; }
        std::string error;
    } cannot;
    std::istream in(&input);
    std::ostringstream report;
    if (CheckRecord(in, report, {&cannot}, &verdicts) != 2)
        return {};
    return "the baseline " + name + " cannot be judged: " + cannot.error;
}

// A sweep's verdict on each relay it tested, and the closes of a record made
// without a ledger, added to the station's ledger once a record (by its
// checksum, and when it was saved for one with closes): a line that says so,
// or the error and status 2; -1 when added.
int AddToLedger(const Options& options, const RecordFacts& facts, const RelayVerdicts& verdicts,
                const RecordCloses& closes)
{
    char checksum[17];
    (void)std::snprintf(checksum, sizeof checksum, "%016llX", static_cast<unsigned long long>(facts.checksum));
    LedgerRecord record;
    record.checksum = checksum;
    record.time = facts.modifiedTime != 0 ? facts.modifiedTime : static_cast<std::int64_t>(std::time(nullptr));
    record.program = facts.program;
    // A sweep judges each relay it closed; a relayctl record's relays, seen
    // in the state asked alone, are no verdict on them.
    for (int relay = 0; relay < LedgerRelays && facts.program == "relaysweep"; ++relay) {
        const RelayClass k = verdicts.ClassOf(relay);
        if (k != RelayClass::Unverified && k != RelayClass::SkippedByRule)
            record.verdicts[static_cast<std::size_t>(relay)] = ClassName(k);
    }
    record.hasCloses = closes.Counted();
    record.closes = closes.Closes();
    // Records alike to the byte (a healthy sweep, one command on boards in one
    // state) are told apart by when each file was saved, so that each adds its
    // closes; one file given twice still counts once.
    if (closes.Counted() && !facts.modified.empty())
        record.checksum += " saved " + facts.modified;
    bool there = false;
    std::string error;
    if (!LedgerAddRecord(options.ledger, record, there, error)) {
        std::cout << "ERROR: the ledger " << Echoed(LedgerShown(options.ledger)) << " could not be written: " << error << "\n";
        return 2;
    }
    std::cout << "Ledger: " << (there ? "the record is in " : "added to ") << Echoed(LedgerShown(options.ledger))
              << (there ? " already" : "") << " (record checksum " << record.checksum << (there ? "" : closes.Said())
              << ")\n";
    return -1;
}

int Judge(RecordInput& input, const Options& options, const RelayVerdicts* old)
{
    Reports reports;
    CardHeader card;
    RelayVerdicts verdicts;
    RecordCloses closes;
    std::ostringstream text;  // the report, its last line (the verdict) held back until the reports are out
    std::istream in(&input);
    int status = CheckRecord(in, text, {&reports.junit, &reports.html, &card, &closes}, &verdicts);
    const std::string report = text.str();
    const std::size_t verdictAt = report.rfind('\n', report.size() < 2 ? 0 : report.size() - 2);
    const std::string verdict = report.substr(verdictAt == std::string::npos ? 0 : verdictAt + 1);
    std::cout << report.substr(0, report.size() - verdict.size());
    if (!input.ReadFailure().empty())
        (void)std::fprintf(stderr, "relaylog: %s: %s\n", Echoed(input.Facts().name).c_str(),
                           input.ReadFailure().c_str());
    const Comparison comparison = old != nullptr ? Compare(*old, verdicts) : Comparison{};
    if (old != nullptr)
        reports.junit.Baseline(comparison.lines, comparison.worse, SummaryOf(comparison));
    std::string failed;
    const bool written =
        reports.Write(options, PropertiesOf(input.Facts(), card), verdicts, old != nullptr ? &comparison : nullptr, failed);
    if (written || verdict.rfind("PASS", 0) != 0)
        std::cout << verdict;
    if (!written) {
        std::cout << "ERROR: the report could not be written: " << failed << "\n";
        status = 2;
    }
    for (const std::string& line : comparison.lines)
        std::cout << line << "\n";
    if (old != nullptr)
        std::cout << SummaryOf(comparison) << "\n";
    if (!options.ledger.empty() && status != 2) {
        const int added = AddToLedger(options, input.Facts(), verdicts, closes);
        status = added >= 0 ? added : status;
    }
    std::cout.flush();
    return status;
}

int JudgeRecord(const Options& options)
{
    const std::string refused = RefusedOutput(Named(options, false), Named(options, true));
    if (!refused.empty()) {
        (void)std::fprintf(stderr, "relaylog: %s\n", refused.c_str());
        return 2;
    }
    RecordInput input;
    std::string reason;
    // Nothing can be judged: a line on standard error, and the ERROR line in each report asked for.
    const auto cannot = [&](const std::string& complaint, const std::string& error) {
        (void)std::fprintf(stderr, "relaylog: %s\n", complaint.c_str());
        return Unjudged(options, "ERROR: " + error, PropertiesOf(input.Facts(), {}));
    };
    const std::string name = options.record == "-" ? std::string("standard input") : Echoed(options.record);
    if (!input.Open(options.record, reason))
        return cannot(name + ": " + reason, "cannot read " + name + ": " + reason);
    Wiring wiring;
    if (!options.wiring.empty() && !LoadWiring(options.wiring, wiring, reason))
        return cannot(Echoed(reason), "the wiring cannot be read: " + Echoed(reason));
    UseWiring(options.wiring.empty() ? nullptr : &wiring);
    RelayVerdicts old;
    RecordInput baseline;
    const std::string oldName = Echoed(options.baseline);
    if (!options.baseline.empty() && !baseline.Open(options.baseline, reason))
        return cannot(oldName + ": " + reason, "cannot read the baseline " + oldName + ": " + reason);
    const std::string why = options.baseline.empty() ? std::string() : JudgeBaseline(baseline, oldName, old);
    if (!why.empty())
        return cannot(why, why);
    if (!input.NotARecord().empty()) {
        const std::string line = "ERROR line 1: " + input.NotARecord();
        std::printf("%s\n", line.c_str());
        return Unjudged(options, line, PropertiesOf(input.Facts(), {}));
    }
    return Judge(input, options, options.baseline.empty() ? nullptr : &old);
}

// A usage error: the reports named so far still say so, where that is safe.
int UsageError(const Options& options, const std::string& mistake, const std::vector<NamedFile>& named)
{
    for (const NamedFile& report : named) {
        Options one;
        one.record = options.record;
        (report.option == "--junit" ? one.junit : one.html) = report.path;
        if (!report.path.empty() && RefusedOutput(Named(options, false), {report}).empty())
            Unjudged(one, "ERROR: usage: " + mistake, {});
    }
    return 2;
}

}  // namespace
}  // namespace relaylog

int main(int argc, char** argv)
{
    relaylog::Options options;
    std::vector<relaylog::NamedFile> reports;
    std::string mistake;
    switch (relaylog::ReadCommandLine(argc, argv, options, mistake, reports)) {
    case relaylog::Parsed::Done: return 0;
    case relaylog::Parsed::Usage: return relaylog::UsageError(options, mistake, reports);
    case relaylog::Parsed::Run: break;
    }
    // A station names its wiring once, machine-wide.
    const char* station = std::getenv("RELAYTEST_WIRING");
    if (options.wiring.empty() && station != nullptr)
        options.wiring = station;
    std::ios::sync_with_stdio(false);
    return relaylog::JudgeRecord(options);
}
