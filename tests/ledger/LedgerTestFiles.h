// A ledger's file in a folder of its own, removed with the folder; and a
// session's closes added to a ledger.
#ifndef RELAYTEST_TESTS_LEDGER_LEDGERTESTFILES_H
#define RELAYTEST_TESTS_LEDGER_LEDGERTESTFILES_H

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <random>
#include <string>
#include <system_error>

#include "Ledger.h"

struct ScratchLedger {
    // In base, or the temporary folder.
    explicit ScratchLedger(const std::filesystem::path& base = std::filesystem::temp_directory_path())
    {
        std::random_device random;
        for (int tries = 0; tries < 100 && dir.empty(); ++tries) {
            const std::filesystem::path folder = base / ("ledger-" + std::to_string(random()));
            std::error_code failed;
            if (std::filesystem::create_directory(folder, failed))
                dir = folder.string();
        }
        path = dir + "/station.ledger";
    }
    ~ScratchLedger()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    ScratchLedger(const ScratchLedger&) = delete;
    ScratchLedger& operator=(const ScratchLedger&) = delete;
    std::string dir;
    std::string path;
};

// Adds one session's closes to the ledger (a file or a fleet): counts of
// {relay, closes}.
inline void Closes(const std::string& ledger, std::initializer_list<std::pair<int, std::uint32_t>> counts)
{
    std::uint32_t closes[1024] = {};
    for (const auto& [relay, n] : counts)
        closes[relay] = n;
    std::string error;
    EXPECT_TRUE(LedgerAddCloses(ledger, closes, error)) << error;
}

#endif
