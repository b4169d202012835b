// A record as it was saved: a file or standard input, read in binary, with
// what Windows adds on saving taken off. PowerShell's ">" saves UTF-16 with a
// byte-order mark, other editors UTF-8 with one; the programs print ASCII, so
// each is read back as the bytes the program wrote.
#ifndef RELAYLOG_RECORDINPUT_H
#define RELAYLOG_RECORDINPUT_H

#include <cstdint>
#include <cstdio>
#include <streambuf>
#include <string>
#include <vector>

namespace relaylog {

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

class RecordInput : public std::streambuf {
public:
    RecordInput() = default;
    ~RecordInput() override;
    RecordInput(const RecordInput&) = delete;
    RecordInput& operator=(const RecordInput&) = delete;

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

    std::FILE* file_ = nullptr;
    bool own_ = false;
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
