#include "ReportFiles.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string_view>
#include <utility>
#include <sys/stat.h>

#include "RecordReader.h"

namespace relaylog {

namespace {

constexpr std::size_t Chunk = 1 << 16;
// Stands in for a character the programs never print: no line holds it.
constexpr char Foreign = '\x7F';

// The byte-order marks, in the order of RecordInput::Encoding, and how the reports name each.
constexpr std::pair<std::string_view, const char*> Marks[] = {{"", "ASCII"},
                                                              {"\xEF\xBB\xBF", "UTF-8 with a byte-order mark"},
                                                              {"\xFF\xFE", "UTF-16LE with a byte-order mark"},
                                                              {"\xFE\xFF", "UTF-16BE with a byte-order mark"}};

const char* const HowToSave =
    "save the program's standard output as plain text: under cmd, relaysweep --yes > run.log; in PowerShell, "
    "relaysweep --yes | Out-File -Encoding ascii run.log (docs/windows.md)";

std::string Utc(std::time_t when)
{
    char text[32] = "";
    if (const std::tm* utc = std::gmtime(&when))
        (void)std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", utc);
    return text;
}

}  // namespace

bool RecordInput::Open(const std::string& name, std::string& reason)
{
    if (name == "-") {
        SetBinaryInput();
        file_ = stdin;
        facts_.name = "standard input";
    } else {
        opened_.reset(std::fopen(name.c_str(), "rb"));
        file_ = opened_.get();
        facts_.name = name;
        struct stat about {};
        if (file_ != nullptr && ::stat(name.c_str(), &about) == 0) {
            facts_.modified = Utc(about.st_mtime);
            facts_.modifiedTime = static_cast<std::int64_t>(about.st_mtime);
        }
    }
    if (file_ == nullptr || (!Fill() && error_ != 0)) {
        reason = std::strerror(file_ == nullptr ? errno : error_);
        return false;
    }
    Sniff();
    return true;
}

bool RecordInput::Fill()
{
    unsigned char raw[Chunk];
    text_.clear();
    while (text_.empty() && !ended_) {
        const std::size_t n = std::fread(raw, 1, sizeof raw, file_);
        if (n < sizeof raw && std::ferror(file_) != 0)
            error_ = errno != 0 ? errno : EIO;
        ended_ = n < sizeof raw;
        const bool first = facts_.size == 0;
        for (std::size_t i = 0; i < n; ++i)
            facts_.checksum = (facts_.checksum ^ raw[i]) * 1099511628211ull;
        facts_.size += n;
        std::size_t skip = 0;
        for (std::size_t e = 1; first && skip == 0 && e < std::size(Marks); ++e) {
            const std::string_view mark = Marks[e].first;
            if (n >= mark.size() && std::memcmp(raw, mark.data(), mark.size()) == 0) {
                encoding_ = static_cast<Encoding>(e);
                facts_.encoding = Marks[e].second;
                skip = mark.size();
            }
        }
        Decode(raw + skip, n - skip);
    }
    if (text_.empty())
        return false;
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return true;
}

void RecordInput::Decode(const unsigned char* raw, std::size_t n)
{
    if (encoding_ == Encoding::Plain || encoding_ == Encoding::Utf8Mark) {
        // cppcheck-suppress invalidLifetime ; the vector copies the bytes, it keeps no pointer to the caller's buffer
        text_.assign(raw, raw + n);
        return;
    }
    const bool little = encoding_ == Encoding::Utf16Le;
    for (std::size_t i = 0; i < n; ++i) {
        if (carry_ < 0) {
            carry_ = raw[i];
            continue;
        }
        const unsigned byte = raw[i];
        const unsigned unit = little ? (byte << 8 | static_cast<unsigned>(carry_))
                                     : (static_cast<unsigned>(carry_) << 8 | byte);
        text_.push_back(unit < 0x80 ? static_cast<char>(unit) : Foreign);
        carry_ = -1;
    }
    if (ended_ && carry_ >= 0)
        text_.push_back(Foreign);  // half a character: the file was cut
}

RecordInput::int_type RecordInput::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    return Fill() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

// The record's first line, as the reader takes it.
void RecordInput::Sniff()
{
    if (eback() == egptr())
        return;
    const std::string_view start(eback(), static_cast<std::size_t>(egptr() - eback()));
    const std::string_view first = start.substr(0, start.find('\n'));
    for (const char c : first) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\r') || byte >= 0x7F) {
            notARecord_ = "binary data, or text in an encoding other than ASCII, UTF-8 or UTF-16 with a byte-order "
                          "mark: not a record; " + std::string(HowToSave);
            return;
        }
    }
    RecordReader reader(start.substr(0, first.size() + 1));
    RecordLine line;
    if (reader.Next(line) == ReadResult::Line)
        facts_.program = line.kind == LineKind::Heading ? line.frame->program
                         : IsCardCheck(line.kind)         ? Relaytest->program
                                                          : "";
    else if (reader.Fault() != ReadFault::CutInsideLine)
        notARecord_ = reader.Error() + ": not a record; " + HowToSave;
}

std::string RecordInput::ReadFailure() const { return error_ != 0 ? std::strerror(error_) : ""; }

}  // namespace relaylog
