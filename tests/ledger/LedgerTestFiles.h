// A ledger's file in a folder of its own, removed with the folder.
#ifndef RELAYTEST_TESTS_LEDGER_LEDGERTESTFILES_H
#define RELAYTEST_TESTS_LEDGER_LEDGERTESTFILES_H

#include <cstdlib>
#include <filesystem>
#include <string>

struct ScratchLedger {
    // In base, or the temporary folder.
    explicit ScratchLedger(const std::filesystem::path& base = std::filesystem::temp_directory_path())
    {
        std::string folder = (base / "ledger-XXXXXX").string();
        dir = mkdtemp(folder.data()) != nullptr ? folder : std::string();
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

#endif
