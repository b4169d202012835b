#include "Support.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "RelayMatrix.h"

namespace {

// The Windows test build (mingw-w64, run under wine) keeps the capture file
// in the working directory; mkstemp opens it in binary mode there, so the
// capture holds the bytes the program formatted, before any text-mode
// translation.
#ifdef _WIN32
constexpr char CaptureTemplate[] = "relaytest-capture-XXXXXX";
constexpr char NullDevice[] = "NUL";
#else
constexpr char CaptureTemplate[] = "/tmp/relaytest-capture-XXXXXX";
constexpr char NullDevice[] = "/dev/null";
#endif

std::string Visible(const std::string& line)
{
    std::string shown;
    for (char c : line) {
        if (c == '\r')
            shown += "\\r";
        else
            shown += c;
    }
    return shown;
}

// Splits after each '\n', keeping it, so that line endings are compared too.
std::string LineAt(const std::string& text, std::size_t index, bool& exists)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find('\n', start);
        if (start == std::string::npos) {
            exists = false;
            return {};
        }
        ++start;
    }
    if (start >= text.size()) {
        exists = false;
        return {};
    }
    exists = true;
    const std::size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
}

}  // namespace

std::string CaptureStdout(const std::function<void()>& fn)
{
    (void)std::fflush(stdout);
    std::cout.flush();
    char path[sizeof CaptureTemplate];
    std::memcpy(path, CaptureTemplate, sizeof path);
    const int fd = mkstemp(path);
    const int savedOut = dup(1);
    const int savedIn = dup(0);
    const int nullIn = open(NullDevice, O_RDONLY);
    dup2(fd, 1);
    dup2(nullIn, 0);
    close(nullIn);

    fn();

    std::cout.flush();
    (void)std::fflush(stdout);
    dup2(savedOut, 1);
    dup2(savedIn, 0);
    close(savedOut);
    close(savedIn);
    close(fd);
    std::clearerr(stdin);
    std::string out = ReadFile(path);
    unlink(path);
    return out;
}

std::string TranscriptDiff(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return {};
    for (std::size_t i = 0;; ++i) {
        bool hasExpected = false;
        bool hasActual = false;
        const std::string e = LineAt(expected, i, hasExpected);
        const std::string a = LineAt(actual, i, hasActual);
        if (e != a || hasExpected != hasActual) {
            std::ostringstream msg;
            msg << "transcripts differ at line " << i + 1 << "\n  expected: "
                << (hasExpected ? "\"" + Visible(e) + "\"" : "(end of transcript)")
                << "\n  actual:   " << (hasActual ? "\"" + Visible(a) + "\"" : "(end of transcript)");
            return msg.str();
        }
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string Golden(const std::string& name) { return ReadFile(std::string(GOLDEN_DIR) + "/" + name); }

ChildResult RunCommand(const std::string& command)
{
    ChildResult result;
    // The tests' own command lines, built from constants: a shell is the point.
    FILE* pipe = popen(command.c_str(), "r");  // NOLINT(cert-env33-c)
    if (pipe == nullptr)
        return result;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    const int status = pclose(pipe);
#ifdef _WIN32
    result.exitCode = status;
#else
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
#endif
    return result;
}

void ResetCard()
{
    SimReset();
    SimRecordCalls(true);
}

void ResetRelays()
{
    std::memset(RelayState, 0, sizeof RelayState);
    std::memset(CrosspointMap, 0, sizeof CrosspointMap);
}

void ScriptControlReads(std::vector<std::uint32_t> values)
{
    auto next = std::make_shared<std::size_t>(0);
    SimSetReadOverride([values = std::move(values), next](std::uint32_t offset, std::uint32_t modelValue) {
        if (offset != 0x100)
            return modelValue;
        return *next < values.size() ? values[(*next)++] : 0u;
    });
}

std::string BusyTrace(std::uint32_t value)
{
    char text[64];
    (void)std::snprintf(text, sizeof text, "  [[[ SPI Busy Check 100 ?? %08X ]]]  ", value);
    return text;
}
