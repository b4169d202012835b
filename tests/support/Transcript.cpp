#include "Transcript.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "Paths.h"

namespace {

std::string Visible(const std::string& line)
{
    std::string shown;
    for (char c : line)
        shown += c == '\r' ? std::string("\\r") : std::string(1, c);
    return shown;
}

// The line at index, with its '\n', so that line endings are compared too.
bool LineAt(const std::string& text, std::size_t index, std::string& line)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index && start != std::string::npos; ++i) {
        start = text.find('\n', start);
        start = start == std::string::npos ? start : start + 1;
    }
    if (start == std::string::npos || start >= text.size())
        return false;
    const std::size_t end = text.find('\n', start);
    line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
    return true;
}

}  // namespace

std::string TranscriptDiff(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return {};
    for (std::size_t i = 0;; ++i) {
        std::string e;
        std::string a;
        const bool hasExpected = LineAt(expected, i, e);
        const bool hasActual = LineAt(actual, i, a);
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

std::string Golden(const std::string& name) { return ReadFile(GoldenPath(name)); }

std::string FirstLines(const std::string& text, std::size_t lines)
{
    std::size_t end = 0;
    for (std::size_t i = 0; i < lines && end != std::string::npos; ++i) {
        end = text.find('\n', end);
        end = end == std::string::npos ? end : end + 1;
    }
    return text.substr(0, end);
}

std::string WindowsText(const std::string& text)
{
    std::string converted;
    for (char c : text) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

std::string BusyTrace(std::uint32_t value, std::uint32_t offset)
{
    char text[64];
    (void)std::snprintf(text, sizeof text, "  [[[ SPI Busy Check %02X ?? %08X ]]]  ", offset, value);
    return text;
}

void PrintTo(const GoldenRun& run, std::ostream* os) { *os << run.file; }

std::vector<GoldenRun> GoldenRuns()
{
    std::vector<GoldenRun> runs;
    std::istringstream list(ReadFile(GoldenPath("goldens.txt")));
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        GoldenRun run;
        words >> run.file >> run.relaysim;
        runs.push_back(run);
    }
    return runs;
}
