// relaylog's command line, and the files it names. The command line is read
// with CLI11 and worded as the programs word theirs: one line naming the
// mistake, then the one-line synopsis. A report never takes the place of
// evidence: a target that is the record, the baseline or another report, or
// a file that is not one of relaylog's reports, is refused before anything
// is written; a report is written beside its target and renamed into place
// only once it is whole.
#ifndef RELAYLOG_REPORTFILES_H
#define RELAYLOG_REPORTFILES_H

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace relaylog {

struct FileId {  // a file as the system knows it, through links: equal for the same file
    bool exists = false;
    std::uint64_t device = 0, index = 0;
};

struct NamedFile {  // a file the run reads or writes, and the option that names it
    std::string option;  // "--junit", "--html", "--baseline", or "" for the record
    std::string path;    // "-": standard input
};

// Empty when every output may be written; otherwise the one line that says
// which may not, and why. A report is written through a file beside path,
// renamed over path once whole; false, with the system's reason, when it
// could not.
std::string RefusedOutput(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

bool WriteReport(const std::string& path, const std::function<void(std::ostream&)>& write, std::string& reason);

// Per platform (ReportFiles_posix.cpp, ReportFiles_windows.cpp).
FileId IdentityOf(const std::string& path);
FileId IdentityOfStandardInput();
std::string NameKey(std::string path);  // a full path as the file system compares names
bool RenameOver(const std::string& from, const std::string& to, std::string& reason);
void SetBinaryInput();

struct Options {  // the record, a file or "-" for standard input; each of the others empty when not given
    std::string record, junit, html, baseline, wiring, ledger;
};

enum class Parsed { Run, Done, Usage };

extern const char* const UsageText;  // as --help prints it

// Reads argv into options. Done: --help or --version printed (status 0).
// Usage: the mistake is in mistake and has been printed with the synopsis
// on standard error (status 2); reports lists every --junit and --html file
// named, so that they can still say why nothing was judged.
Parsed ReadCommandLine(int argc, char** argv, Options& options, std::string& mistake, std::vector<NamedFile>& reports);

std::string Echoed(const std::string& text);  // echoed whole, a backslash as \\ and control bytes as \xHH

}  // namespace relaylog

#endif
