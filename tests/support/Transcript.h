// Golden transcripts, and comparing a run with one.
#ifndef RELAYTEST_TESTS_SUPPORT_TRANSCRIPT_H
#define RELAYTEST_TESTS_SUPPORT_TRANSCRIPT_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Empty when equal; otherwise the first differing line with its number, the
// expected and actual text, carriage returns shown as \r.
std::string TranscriptDiff(const std::string& expected, const std::string& actual);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// A golden transcript's bytes (tests/golden).
std::string Golden(const std::string& name);

// A golden transcript and the simulated card it was taken on.
struct GoldenRun {
    std::string file;      // in tests/golden
    std::string relaysim;  // the card's RELAYSIM; empty for a healthy card
};

// How a test case names it: its file.
void PrintTo(const GoldenRun& run, std::ostream* os);

// Every golden transcript, as tests/golden/goldens.txt lists them.
std::vector<GoldenRun> GoldenRuns();

// The first lines of text, their line ends included.
std::string FirstLines(const std::string& text, std::size_t lines);

// The busy-check trace of a poll of the register at offset (the SPI control
// register unless given) that read value, as the programs print it before an
// access on the same line: the one place the tests spell it.
std::string BusyTrace(std::uint32_t value, std::uint32_t offset = 0x100);

// The text as Windows text mode writes it: every "\n" becomes "\r\n".
std::string WindowsText(const std::string& text);

#endif
