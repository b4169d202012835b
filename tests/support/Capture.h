// The program's console output, captured in-process.
#ifndef RELAYTEST_TESTS_SUPPORT_CAPTURE_H
#define RELAYTEST_TESTS_SUPPORT_CAPTURE_H

#include <functional>
#include <string>

// Runs fn with standard output going to a scratch file and standard input at
// end of file; returns everything written to standard output by either stdio
// or the stream object. The scratch file and the text are made once per
// process and reused, as the fuzz target captures hundreds of runs a second:
// the text is valid until the next call.
const std::string& CaptureStdout(const std::function<void()>& fn);

#endif
