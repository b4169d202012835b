#include "LedgerTestPlatform.h"

#include <windows.h>

#include <algorithm>

namespace {

// relayledger_writer.exe, built beside the test program.
std::string WriterExe()
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe(self, length);
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "relayledger_writer.exe";
}

}  // namespace

bool RunLedgerWriters(int writers, const std::string& path, int times, std::string& why)
{
    const std::string exe = WriterExe();
    std::string command = "\"" + exe + "\" \"" + path + "\" " + std::to_string(times);
    std::vector<HANDLE> started;
    for (int i = 0; i < writers; ++i) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            why = "cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")";
            break;
        }
        (void)CloseHandle(process.hThread);
        started.push_back(process.hProcess);
    }
    for (const HANDLE process : started) {
        DWORD status = 1;
        if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &status) ||
            status != 0)
            why = "a writer ended with status " + std::to_string(status);
        (void)CloseHandle(process);
    }
    return why.empty();
}

// A drive letter and backslashes, as a station's set-up names it; forward
// slashes; and a folder named beyond ASCII in the ANSI code page, as the
// command line and the environment give it (where that code page has the
// letters: not where it is UTF-8 itself, nor one without them).
std::vector<LedgerPathForm> LedgerPathForms(const std::filesystem::path& dir)
{
    const std::filesystem::path native = std::filesystem::absolute(dir).make_preferred();
    std::string slashes = native.string();
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::vector<LedgerPathForm> forms{
        {"DriveLetterBackslashes", native.string() + "\\backslashes.ledger", native / "backslashes.ledger"},
        {"ForwardSlashes", slashes + "/slashes.ledger", native / "slashes.ledger"}};
    const wchar_t folder[] = L"Pr\u00FCfstand-\u00E9";
    char ansi[64] = {};
    BOOL lost = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder, -1, ansi, sizeof ansi, nullptr, &lost) > 0 && !lost) {
        std::filesystem::create_directory(native / folder);
        forms.push_back({"AnsiCodePage", native.string() + "\\" + ansi + "\\station.ledger", native / folder / "station.ledger"});
    }
    return forms;
}
