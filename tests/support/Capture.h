// The program's console output, captured in-process.
#ifndef RELAYTEST_TESTS_SUPPORT_CAPTURE_H
#define RELAYTEST_TESTS_SUPPORT_CAPTURE_H

#include <functional>
#include <string>

// Runs fn with standard output going to a scratch file and standard input at
// end of file; returns everything written to standard output by either stdio
// or the stream object. The scratch file is made once per process and reused:
// the fuzz target captures thousands of runs a second.
std::string CaptureStdout(const std::function<void()>& fn);

#endif
