// A build without a PostgreSQL client (the Windows builds): a fleet named
// anywhere is refused, saying so; a station's file is pushed from a machine
// that has one.
#include "Fleet.h"

namespace {

bool Missing(const std::string& url, std::string& error)
{
    error = LedgerShown(url) + ": " + FleetMissing;
    return false;
}

}  // namespace

bool FleetAddCloses(const std::string& url, const std::uint32_t (&)[1024], std::string& error)
{
    return Missing(url, error);
}

bool FleetAddRecords(const std::string& url, const std::vector<LedgerRecord>&, std::size_t& added, std::string& error)
{
    added = 0;
    return Missing(url, error);
}

bool FleetReplace(const std::string& url, const std::string&, const std::vector<int>&, std::int64_t, std::string& error)
{
    return Missing(url, error);
}

bool FleetStations(const std::string& url, std::vector<std::string>&, std::string& error) { return Missing(url, error); }

bool FleetReadRelays(const std::string& url, const std::string&, std::vector<LedgerRelay>&, std::string& error)
{
    return Missing(url, error);
}

bool FleetTop(const std::string& url, const std::string&, std::size_t, std::vector<LedgerRelay>&, std::string& error)
{
    return Missing(url, error);
}

bool FleetRelayHistory(const std::string& url, const std::string&, int, LedgerRelay&, std::vector<LedgerEvent>&,
                       std::string& error)
{
    return Missing(url, error);
}

bool FleetFailingIn(const std::string& url, const std::string&, int, std::vector<LedgerFailing>&, int& sweeps,
                    std::string& error)
{
    sweeps = 0;
    return Missing(url, error);
}

bool FleetPush(const LedgerCopy&, const std::string& url, const std::string&, LedgerPushed&, std::string& error)
{
    return Missing(url, error);
}
