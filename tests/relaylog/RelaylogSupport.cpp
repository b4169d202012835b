#include "RelaylogSupport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "Child.h"
#include "Paths.h"
#include "RecordCheck.h"
#include "RunProgram.h"
#include "Transcript.h"

using relaylog::CheckRecord;

Verdict Check(const std::string& record)
{
    std::istringstream in(record);
    std::ostringstream out;
    const int code = CheckRecord(in, out);
    return {out.str(), code};
}

std::string RelaytestRecord(const std::string& relaysim)
{
    return RunProgram("relaytest", {}, relaysim).out;
}

std::string RelayctlRecord(const std::string& relaysim, const std::vector<std::string>& command)
{
    return RunProgram("relayctl", command, relaysim).out;
}

std::string SweepRecord(const std::string& relaysim, const std::string& boards)
{
    return RunProgram("relaysweep", {"--yes", "--boards", boards}, relaysim).out;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

std::string LastLine(const std::string& text)
{
    const std::size_t end = !text.empty() && text.back() == '\n' ? text.size() - 1 : text.size();
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}


std::size_t LineStart(const std::string& text, std::size_t line)
{
    std::size_t at = 0;
    for (std::size_t i = 1; i < line; ++i)
        at = text.find('\n', at) + 1;
    return at;
}


Edit ReplaceLine(std::size_t line, const std::string& replacement)
{
    return [=](std::string text) {
        const std::size_t start = LineStart(text, line);
        std::size_t end = text.find('\n', start);
        while (end > start && text[end - 1] == '\r')
            --end;
        return text.replace(start, end - start, replacement);
    };
}

Edit InsertBefore(std::size_t line, const std::string& inserted)
{
    return [=](std::string text) {
        text.insert(LineStart(text, line), inserted);
        return text;
    };
}

Edit DeleteLine(std::size_t line)
{
    return [=](std::string text) {
        const std::size_t start = LineStart(text, line);
        return text.erase(start, text.find('\n', start) + 1 - start);
    };
}

Edit Keep(std::size_t bytes)
{
    return [=](const std::string& text) { return text.substr(0, bytes); };
}

Edit KeepLines(std::size_t lines)
{
    return [=](const std::string& text) { return FirstLines(text, lines); };
}

Edit Replace(const std::string& text)
{
    return [=](const std::string&) { return text; };
}

const std::string Xmllint = "/usr/bin/xmllint";

std::string XPath(const std::string& file, const std::string& expression, Markup markup)
{
    std::vector<std::string> argv{Xmllint, "--xpath", expression, file};
    if (markup == Markup::Html)
        argv.insert(argv.begin() + 1, "--html");
    std::string out = RunChild({argv}).out;
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string Scratch(const std::string& suffix)
{
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
        c = c == '/' ? '-' : c;
    return RELAYLOG_SCRATCH + name + "-" + suffix;
}
