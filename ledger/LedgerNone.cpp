// A build without SQLite for its target (a cross build that has none yet):
// no ledger can be used, and saying so is the one thing a caller gets.
#include "Ledger.h"

bool LedgerAddCloses(const std::string& /*path*/, const std::uint32_t (& /*closes*/)[1024], std::string& error)
{
    error = "this build of the tools has no relay ledger (it was built without SQLite)";
    return false;
}

bool LedgerAddRecord(const std::string& /*path*/, const LedgerRecord& /*record*/, bool& alreadyThere, std::string& error)
{
    alreadyThere = false;
    error = "this build of the tools has no relay ledger (it was built without SQLite)";
    return false;
}
