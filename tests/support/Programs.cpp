#include "Programs.h"

#include <map>

#include "Child.h"
#include "Paths.h"
#include "Transcript.h"

const Program& ProgramFor(ProgramId id)
{
    // relaysweep over one board: 3,094 lines, long enough to crash or stop
    // anywhere inside a sweep, short enough to run in a fraction of a second;
    // relayctl closing all but one relay of a board (the most its limit
    // allows), 790 lines.
    static const Program Table[] = {
        {ProgramId::Relaytest, "Relaytest", {RelaytestPath()}, true, false, "", 0},
        {ProgramId::Relaysweep, "Relaysweep", {RelaysweepPath(), "--yes", "--boards", "0"}, false, true,
         "Sweep stopped: interrupted by ", 5},
        {ProgramId::Relayctl, "Relayctl", {RelayctlPath(), "--max-closed", "127", "close", "0-126"}, false, true,
         "Control stopped: interrupted by ", 5},
    };
    return Table[static_cast<int>(id)];
}

const std::vector<ProgramId>& AllPrograms()
{
    static const std::vector<ProgramId> All{ProgramId::Relaytest, ProgramId::Relaysweep, ProgramId::Relayctl};
    return All;
}

const std::string& HealthyRecord(ProgramId id)
{
    static std::map<ProgramId, std::string> records;
    auto found = records.find(id);
    if (found != records.end())
        return found->second;
    std::string record = Golden("healthy.txt");
    if (id != ProgramId::Relaytest)
        record = Child({ProgramFor(id).argv, {"RELAYSIM="}, ChildInput::DevNull}).Wait().out;
    return records.emplace(id, std::move(record)).first->second;
}

std::size_t LineCount(const std::string& text)
{
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines;
}
