#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "RelayList.h"
#include "StationLedger.h"
#include "StationWiring.h"

#ifndef RELAYTEST_VERSION
#define RELAYTEST_VERSION "0"
#endif

namespace {

// Longest --wait: a week.
constexpr long LongestWait = 7L * 24 * 3600;

// --help and --version before "--" answer at once, whatever else is there.
bool Asked(int argc, const char* const* argv, const char* flag)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    }
    return false;
}

// CLI11's missing value reads "--boards: 1 required TEXT missing".
std::string Worded(const CLI::ParseError& error)
{
    std::string what = error.what();
    const std::size_t colon = what.find(": ");
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && colon != std::string::npos &&
        what.find(" required ", colon) != std::string::npos)
        return what.substr(0, colon) + " needs a value";
    return what;
}

// The first option CLI11 left over is unknown; the first word an argument
// nothing takes.
std::string Leftover(const std::string& word)
{
    return (word.size() > 1 && word[0] == '-' ? "unknown option " : "unexpected argument ") + Quoted(word);
}

bool ReadWait(const std::string& text, int& seconds, std::string& error)
{
    long value = 0;
    bool digits = !text.empty();
    for (const char c : text) {
        digits = digits && c >= '0' && c <= '9';
        if (digits && value <= LongestWait)
            value = value * 10 + (c - '0');
    }
    if (!digits || value > LongestWait) {
        error = "--wait " + Quoted(text) + ": not a number of seconds (0 to " + std::to_string(LongestWait) + ")";
        return false;
    }
    seconds = static_cast<int>(value);
    return true;
}

bool SingleValue(const CLI::Option& option)
{
    return !option.get_positional() && option.get_expected_max() == 1 && option.get_type_size_max() == 1;
}

// A station's file the command line may name (--wiring, --ledger); not
// given, the station's variable names it.
struct FileOption {
    const char* name;
    std::string value;
    bool given = false;
};

}  // namespace

int UsageError(const ProgramEntry& program, const std::string& message)
{
    (void)std::fprintf(stderr, "%s: %s\nusage: %s\n", program.name, message.c_str(), program.synopsis);
    return 2;
}

int ParseCommandLine(const ProgramEntry& program, int argc, const char* const* argv, int& waitSeconds,
                     std::string& text)
{
    waitSeconds = DefaultWaitSeconds;
    if (Asked(argc, argv, "--help")) {
        text = std::string("usage: ") + program.synopsis + "\n" + program.help;
        return 0;
    }
    if (Asked(argc, argv, "--version")) {
        text = std::string(program.name) + " " + RELAYTEST_VERSION + "\n";
        return 0;
    }
    CLI::App app{program.name};
    app.set_help_flag();
    app.allow_extras(true);
    std::string wait;
    app.add_option("--wait", wait);
    FileOption files[] = {{"--wiring", "", false}, {"--ledger", "", false}};
    for (FileOption& file : files)
        app.add_option(file.name, file.value)->each([&file](const std::string&) { file.given = true; });
    program.declare(app);
    // A single value given twice is refused below, not silently replaced.
    for (CLI::Option* option : app.get_options()) {
        if (SingleValue(*option))
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        text = Worded(error);
        return 2;
    }
    for (const CLI::Option* option : app.get_options()) {
        if (SingleValue(*option) && option->count() > 1) {
            text = option->get_name() + " given more than once";
            return 2;
        }
    }
    bool arguments = false;  // after "--", every word is an argument
    for (const std::string& word : app.remaining()) {
        if (word != "--" || arguments) {
            text = (arguments ? "unexpected argument " + Quoted(word) : Leftover(word));
            return 2;
        }
        arguments = true;
    }
    if (app.count("--wait") > 0 && !ReadWait(wait, waitSeconds, text))
        return 2;
    for (const FileOption& file : files) {
        if (file.given && file.value.empty()) {
            text = std::string(file.name) + " needs a value";
            return 2;
        }
    }
    SetWiringOption(files[0].given, files[0].value);
    SetLedgerOption(files[1].given, files[1].value);
    return -1;
}

int ReadCommandLine(const ProgramEntry& program, int argc, char** argv, int& waitSeconds)
{
    std::string text;
    const int status = ParseCommandLine(program, argc, argv, waitSeconds, text);
    if (status == 2)
        return UsageError(program, text);
    if (status == 0) {
        (void)std::fputs(text.c_str(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            (void)std::fprintf(stderr, "%s: standard output could not be written (%s)\n", program.name,
                               std::strerror(errno));
            return 5;
        }
    }
    return status;
}
