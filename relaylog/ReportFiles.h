// relaylog's command line, and the files it names: the record it reads, and
// the reports it writes. The command line is read
// with CLI11 and worded as the programs word theirs: one line naming the
// mistake, then the one-line synopsis. A report never takes the place of
// evidence: a target that is the record, the baseline or another report, or
// a file that is not one of relaylog's reports, is refused before anything
// is written; a report is written beside its target and renamed into place
// only once it is whole.
#ifndef RELAYLOG_REPORTFILES_H
#define RELAYLOG_REPORTFILES_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
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

// What the reports say about the record they judged.
struct RecordFacts {
    std::string name;       // the file's name, or "standard input"
    std::uint64_t size = 0; // bytes as saved
    std::string modified;   // "2026-12-09 07:45:12 UTC"; empty for standard input
    std::string encoding = "ASCII";  // or "UTF-16LE with a byte-order mark", ...
    std::string program;    // from its first line; empty when it has none
    std::int64_t modifiedTime = 0;  // seconds since 1970; 0 for standard input
    std::uint64_t checksum = 1469598103934665603ull;  // FNV-1a of the bytes read so far
};

// A record as it was saved: a file or standard input, read in binary, with
// what Windows adds on saving taken off. PowerShell's ">" saves UTF-16 with a
// byte-order mark, other editors UTF-8 with one; the programs print ASCII, so
// each is read back as the bytes the program wrote.
class RecordInput : public std::streambuf {
public:
    // Opens name ("-": standard input) and reads its first bytes; false, with
    // the system's reason, when it cannot.
    bool Open(const std::string& name, std::string& reason);
    // Empty when the first line may begin a record; otherwise why it cannot
    // (the ERROR line's text after "ERROR line 1: ").
    const std::string& NotARecord() const { return notARecord_; }
    // The system's reason when a read failed after the first; empty if none did.
    std::string ReadFailure() const;
    const RecordFacts& Facts() const { return facts_; }

protected:
    int_type underflow() override;

private:
    enum class Encoding { Plain, Utf8Mark, Utf16Le, Utf16Be };  // as the table of marks in RecordInput.cpp
    bool Fill();
    void Decode(const unsigned char* raw, std::size_t n);
    void Sniff();

    struct Closer {
        void operator()(std::FILE* file) const { (void)std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> opened_;  // none for standard input
    std::FILE* file_ = nullptr;
    RecordFacts facts_;
    std::string notARecord_;
    Encoding encoding_ = Encoding::Plain;
    std::vector<char> text_;
    int carry_ = -1;  // the first byte of a UTF-16 unit split between reads
    int error_ = 0;
    bool ended_ = false;
};

}  // namespace relaylog

#endif
