// The relay ledger's costs: adding a session's closes (one relay, all 1,024),
// and reading a ledger with a year of a busy station's history (top, failing,
// one relay's history, relayledger top from start to exit); given a fleet,
// pushing that year into it and reading it there.
//
//   ledgerbench [RECORDS [RELAYLEDGER [FLEET]]]
//
// RECORDS (100000 by default) are a year's records: one in a hundred a sweep
// with every relay's verdict and a few faults, the others sessions' closes,
// 10^8 operations in all. FLEET, the URL of an empty PostgreSQL database,
// gets the year pushed as ten stations, ledgerbench-1 to ledgerbench-10.
// Medians of the runs, in milliseconds.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Ledger.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void Check(bool ok, const std::string& error)
{
    if (!ok) {
        (void)std::fprintf(stderr, "ledgerbench: %s\n", error.c_str());
        std::exit(1);
    }
}

// A year: sweeps every hundredth record, the rest sessions that wear a few
// relays far more than the others (relay 7 most).
void FillYear(const std::string& path, int records)
{
    const std::uint64_t perSession = std::uint64_t{100000000} / static_cast<std::uint64_t>(std::max(records, 1));
    std::vector<LedgerRecord> batch;
    std::string error;
    for (int i = 0; i < records; ++i) {
        LedgerRecord record;
        record.checksum = "Y" + std::to_string(i);
        record.time = 1767225600 + static_cast<std::int64_t>(i) * 315;  // 2026 onwards, a year of them
        if (i % 100 == 0) {
            record.program = "relaysweep";
            record.verdicts.fill("functional");
            record.verdicts[static_cast<std::size_t>(i / 100 % 1024)] = "stuck open";
            record.verdicts[5] = i % 300 == 0 ? "erratic" : "functional";
        } else {
            record.program = "relaymatrix";
            record.hasCloses = true;
            for (std::size_t k = 0; k < 16; ++k)
                record.closes[(static_cast<std::size_t>(i) * 37 + k * 61) % 1024] = static_cast<std::uint32_t>(perSession / 32);
            record.closes[7] = static_cast<std::uint32_t>(perSession / 2);
        }
        batch.push_back(std::move(record));
        if (batch.size() == 1000 || i + 1 == records) {
            std::size_t added = 0;
            Check(LedgerAddRecords(path, batch, added, error), error);
            batch.clear();
        }
    }
}

double Since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double ProgramTop(const std::string& program, const std::string& path, int runs)
{
    return Median(runs, [&] {
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--ledger"),
                        const_cast<char*>(path.c_str()), const_cast<char*>("top"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        int status = -1;
        Check(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0, "cannot start " + program);
        posix_spawn_file_actions_destroy(&actions);
        Check(waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0, program + " top failed");
    });
}

// The year's file pushed into the fleet as ten stations, and the fleet read:
// one station's top, every station's, one station's failing and history.
void Fleet(const std::string& path, const std::string& fleet, const std::string& program)
{
    std::string error;
    LedgerPushed pushed;
    Clock::time_point start = Clock::now();
    Check(LedgerPush(path, fleet, "ledgerbench-1", pushed, error), error);
    const double first = Since(start);
    const double again = Median(5, [&] { Check(LedgerPush(path, fleet, "ledgerbench-1", pushed, error), error); });
    start = Clock::now();
    for (int s = 2; s <= 10; ++s)
        Check(LedgerPush(path, fleet, "ledgerbench-" + std::to_string(s), pushed, error), error);
    const double others = Since(start) / 9;
    std::vector<LedgerRelay> top;
    std::vector<LedgerFailing> failing;
    std::vector<LedgerEvent> events;
    LedgerRelay relay;
    int sweeps = 0;
    // A session's flush, straight into the fleet under the first station's name.
    (void)setenv("RELAYTEST_STATION", "ledgerbench-1", 1);
    std::uint32_t one[1024] = {};
    one[5] = 3;
    const double addOne = Median(31, [&] { Check(LedgerAddCloses(fleet, one, error), error); });
    const double oneTop = Median(15, [&] { Check(LedgerTop(fleet, 20, top, error, "ledgerbench-1"), error); });
    const double allTop = Median(15, [&] { Check(LedgerTop(fleet, 20, top, error), error); });
    const double failingMs =
        Median(15, [&] { Check(LedgerFailingIn(fleet, 20, failing, sweeps, error, "ledgerbench-1"), error); });
    const double historyMs =
        Median(15, [&] { Check(LedgerRelayHistory(fleet, 5, relay, events, error, "ledgerbench-1"), error); });
    std::printf("fleet: the year pushed, first:   %8.1f ms   %zu records, %zu verdicts, %zu replacements\n", first,
                pushed.records, pushed.verdicts, pushed.replacements);
    std::printf("fleet: pushed again (no change):  %8.1f ms\n", again);
    std::printf("fleet: a new station's year:      %8.1f ms   (the mean of 9)\n", others);
    std::printf("fleet: LedgerAddCloses, one relay: %7.2f ms\n", addOne);
    std::printf("fleet: top 20 of one station:     %8.2f ms\n", oneTop);
    std::printf("fleet: top 20 of 10 stations:     %8.2f ms   first: %s relay %d\n", allTop,
                top.empty() ? "-" : top.front().station.c_str(), top.empty() ? -1 : top.front().relay);
    std::printf("fleet: failing --last 20:         %8.2f ms\n", failingMs);
    std::printf("fleet: relay 5 (its history):     %8.2f ms   %zu sweeps and replacements\n", historyMs, events.size());
    if (!program.empty())
        std::printf("fleet: relayledger top, start to exit: %8.2f ms\n", ProgramTop(program, fleet, 15));
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 100000;
    const std::string program = argc > 2 ? argv[2] : "";
    const std::string fleet = argc > 3 ? argv[3] : "";
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("ledgerbench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "station.ledger").string();
    std::string error;
    std::uint32_t one[1024] = {};
    std::uint32_t all[1024] = {};
    one[5] = 3;
    std::fill(std::begin(all), std::end(all), 3U);
    Check(LedgerAddCloses(path, one, error), error);
    const double addOne = Median(31, [&] { Check(LedgerAddCloses(path, one, error), error); });
    const double addAll = Median(31, [&] { Check(LedgerAddCloses(path, all, error), error); });
    const Clock::time_point start = Clock::now();
    FillYear(path, records);
    const double fill = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<LedgerRelay> top;
    std::vector<LedgerFailing> failing;
    std::vector<LedgerEvent> events;
    LedgerRelay relay;
    int sweeps = 0;
    const double topMs = Median(15, [&] { Check(LedgerTop(path, 20, top, error), error); });
    const double failingMs = Median(15, [&] { Check(LedgerFailingIn(path, 20, failing, sweeps, error), error); });
    const double historyMs = Median(15, [&] { Check(LedgerRelayHistory(path, 5, relay, events, error), error); });
    std::printf("LedgerAddCloses, one relay:       %8.2f ms\n", addOne);
    std::printf("LedgerAddCloses, all 1,024:       %8.2f ms\n", addAll);
    std::printf("a year of %d records added in %.1f s (batches of 1,000), file %.1f MB\n", records, fill,
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    std::printf("top 20 (LedgerTop):               %8.2f ms   first: relay %d, %llu operations\n", topMs,
                top.empty() ? -1 : top.front().relay, top.empty() ? 0ULL : static_cast<unsigned long long>(top.front().operations));
    std::printf("failing --last 20:                %8.2f ms   %zu relays in %d sweeps\n", failingMs, failing.size(), sweeps);
    std::printf("relay 5 (its history):            %8.2f ms   %zu sweeps and replacements\n", historyMs, events.size());
    if (!program.empty())
        std::printf("relayledger top, start to exit:   %8.2f ms\n", ProgramTop(program, path, 15));
    if (!fleet.empty())
        Fleet(path, fleet, program);
    std::filesystem::remove_all(dir);
    return 0;
}
