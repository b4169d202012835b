// Golden transcripts, and comparing a run with one.
#ifndef RELAYTEST_TESTS_SUPPORT_TRANSCRIPT_H
#define RELAYTEST_TESTS_SUPPORT_TRANSCRIPT_H

#include <cstddef>
#include <string>

// Empty when equal; otherwise the first differing line with its number, the
// expected and actual text, carriage returns shown as \r.
std::string TranscriptDiff(const std::string& expected, const std::string& actual);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// A golden transcript's bytes (tests/golden).
std::string Golden(const std::string& name);

// The first lines of text, their line ends included.
std::string FirstLines(const std::string& text, std::size_t lines);

// The text as Windows text mode writes it: every "\n" becomes "\r\n".
std::string WindowsText(const std::string& text);

#endif
