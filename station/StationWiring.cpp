#include "StationWiring.h"

#include <cstdlib>

#include "Record.h"
#include "RelayList.h"

namespace {

bool OptionGiven = false;
std::string OptionFile;
bool InUse = false;

Wiring& Current()
{
    static Wiring wiring = EmptyWiring();
    return wiring;
}

}  // namespace

void SetWiringOption(bool given, const std::string& file)
{
    OptionGiven = given;
    OptionFile = file;
}

std::string ChooseWiringFile(const char* given, bool none)
{
    if (none)
        return "";
    if (given != nullptr && given[0] != '\0')
        return given;
    const char* variable = std::getenv(WiringVariable);
    return variable != nullptr ? variable : "";
}

bool LoadStationWiring(std::string& error)
{
    // --wiring "" says: no wiring file, whatever the station's variable names.
    const std::string file = OptionGiven ? OptionFile : ChooseWiringFile(nullptr);
    if (file.empty()) {
        ForgetStationWiring();
        return true;
    }
    Wiring wiring;
    if (!LoadWiring(file, wiring, error))
        return false;
    UseStationWiring(wiring);
    return true;
}

bool StationHasWiring() { return InUse; }

const Wiring& StationWiring() { return Current(); }

void UseStationWiring(const Wiring& wiring)
{
    Current() = wiring;
    InUse = true;
}

void ForgetStationWiring()
{
    Current() = EmptyWiring();
    InUse = false;
}

BoardSet ListedBoards(const Wiring& wiring)
{
    BoardSet boards = 0;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (wiring.listed[static_cast<std::size_t>(board)])
            boards = static_cast<BoardSet>(boards | (1u << board));
    }
    return boards;
}

std::string WiringTitle(const Wiring& wiring)
{
    const std::string quoted = Quoted(wiring.file);
    return quoted.substr(1, quoted.size() - 2) + " (checksum " + wiring.checksum + ")";
}

void RecordWiringLine()
{
    if (InUse)
        RecordLine("Wiring: %s\n", WiringTitle(StationWiring()).c_str());
}
