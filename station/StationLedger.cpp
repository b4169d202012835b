#include "StationLedger.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "CloseCount.h"
#include "EscapedText.h"
#include "Ledger.h"
#include "Record.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto WriteEvery = std::chrono::seconds(60);

std::string Path;
bool OptionGiven = false;
std::string OptionFile;
Clock::time_point LastWrite;
std::string Problem;

// After each counted push: a minute's counts written.
void Counted()
{
    std::string error;
    if (!WriteLedger(false, error) && Problem.empty())
        Problem = error;
}

}  // namespace

std::string ChooseLedgerFile(const char* given)
{
    if (given != nullptr)
        return given;
    const char* variable = std::getenv(LedgerVariable);
    return variable != nullptr ? variable : "";
}

void SetLedgerOption(bool given, const std::string& file)
{
    OptionGiven = given;
    OptionFile = file;
}

bool StartStationLedger(std::string& error)
{
    return StartLedger(ChooseLedgerFile(OptionGiven ? OptionFile.c_str() : nullptr), error);
}

bool StartLedger(const std::string& path, std::string& error)
{
    StopLedger();
    if (path.empty())
        return true;
    // What was counted before this session is no part of it.
    std::uint32_t closes[BoardCount * RelaysPerBoard];
    TakeCloseCounts(closes);
    for (auto& count : closes)
        count = 0;
    // The ledger's own words name it (a fleet's URL without its password).
    if (!LedgerAddCloses(path, closes, error))
        return false;
    Path = path;
    LastWrite = Clock::now();
    WatchCloseCounts(Counted);
    return true;
}

bool WriteLedger(bool final, std::string& error)
{
    if (Path.empty() || !CloseCountsWaiting() || (!final && Clock::now() - LastWrite < WriteEvery))
        return true;
    std::uint32_t closes[BoardCount * RelaysPerBoard];
    TakeCloseCounts(closes);
    LastWrite = Clock::now();
    if (LedgerAddCloses(Path, closes, error))
        return true;
    // Kept for the next write: the counts go back.
    RestoreCloseCounts(closes);
    return false;
}

const std::string& LedgerProblem() { return Problem; }

void RecordLedgerLine()
{
    if (!Path.empty())
        RecordLine("Ledger: %s\n", RecordedLedgerName(Path).c_str());
}

std::string RecordedLedgerName(const std::string& path)
{
    const std::string shown = LedgerShown(path);
    return EscapedText(shown.data(), shown.size());
}

void StopLedger()
{
    WatchCloseCounts(nullptr);
    Path.clear();
    Problem.clear();
}

bool LedgerInUse() { return !Path.empty(); }
