// What relaylog's tests share: relaylog run in-process on a record, the lines
// of its report, and edits that damage a record line by line.
#ifndef RELAYTEST_TESTS_RELAYLOG_RELAYLOGSUPPORT_H
#define RELAYTEST_TESTS_RELAYLOG_RELAYLOGSUPPORT_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct Verdict {
    std::string out;
    int exitCode = -1;
};

// relaylog's report on the record, and its exit status.
Verdict Check(const std::string& record);

// relaytest's record on the simulated card that RELAYSIM describes.
std::string RelaytestRecord(const std::string& relaysim);

// relayctl's record of the command (its words after the program's name).
std::string RelayctlRecord(const std::string& relaysim, const std::vector<std::string>& command);

// relaysweep's record of the boards on the simulated card that RELAYSIM
// describes.
std::string SweepRecord(const std::string& relaysim, const std::string& boards = "0-7");

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);
std::string LastLine(const std::string& text);

// A scratch file of the running test case's own, ending in suffix: ctest runs
// the cases as processes of their own, in parallel.
std::string Scratch(const std::string& suffix);

// The kinds of finding the table of faults against the two sweeps shows
// (DeepSweepTest.cpp): the deep passes' verdicts.
std::vector<std::size_t> DeepFaultKinds();

// relaylog's XML reports are read back with xmllint.
extern const std::string Xmllint;

// How xmllint reads the file: as XML, or as HTML (a browser's DOM, as a browser
// writes it out).
enum class Markup { Xml, Html };

// What the XPath expression selects in the file, as xmllint prints it.
std::string XPath(const std::string& file, const std::string& expression, Markup markup = Markup::Xml);

// Edits of a record, line numbers from 1.
using Edit = std::function<std::string(std::string)>;

std::size_t LineStart(const std::string& text, std::size_t line);
// Replaces a line's text, keeping its line end.
Edit ReplaceLine(std::size_t line, const std::string& replacement);
Edit InsertBefore(std::size_t line, const std::string& inserted);
Edit DeleteLine(std::size_t line);
// The first bytes only.
Edit Keep(std::size_t bytes);
// The first lines only.
Edit KeepLines(std::size_t lines);
Edit Replace(const std::string& text);

#endif
