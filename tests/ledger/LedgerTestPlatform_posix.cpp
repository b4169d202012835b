#include "LedgerTestPlatform.h"

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

bool RunLedgerWriters(int writers, const std::string& path, int times, std::string& why)
{
    std::vector<pid_t> started;
    const std::string count = std::to_string(times);
    for (int i = 0; i < writers; ++i) {
        std::string exe = RELAYLEDGER_WRITER_EXE;
        std::string file = path;
        std::string n = count;
        char* argv[] = {exe.data(), file.data(), n.data(), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, exe.c_str(), nullptr, nullptr, argv, environ) != 0) {
            why = "cannot start " + exe;
            break;
        }
        started.push_back(child);
    }
    for (const pid_t child : started) {
        int status = -1;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            why = "a writer ended with wait status " + std::to_string(status);
    }
    return why.empty();
}

// Absolute, relative to the current folder, and a folder named in UTF-8.
std::vector<LedgerPathForm> LedgerPathForms(const std::filesystem::path& dir)
{
    const std::filesystem::path absolute = std::filesystem::absolute(dir);
    const std::filesystem::path utf8 = absolute / "Pr\xC3\xBC" "fstand";
    std::filesystem::create_directory(utf8);
    return {{"Absolute", (absolute / "absolute.ledger").string(), absolute / "absolute.ledger"},
            {"Relative", (std::filesystem::relative(absolute) / "relative.ledger").string(), absolute / "relative.ledger"},
            {"Utf8Folder", (utf8 / "station.ledger").string(), utf8 / "station.ledger"}};
}
