#include "StationWiring.h"

#include <cstdio>
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

int LoadStationWiring(const char* program)
{
    std::string file = OptionFile;
    if (!OptionGiven) {
        const char* variable = std::getenv(WiringVariable);
        file = variable != nullptr ? variable : "";
    }
    if (file.empty()) {
        ForgetStationWiring();
        return -1;
    }
    Wiring wiring;
    std::string error;
    if (!LoadWiring(file, wiring, error)) {
        (void)std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return 2;
    }
    UseStationWiring(wiring);
    return -1;
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
