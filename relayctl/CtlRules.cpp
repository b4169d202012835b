#include "CtlRules.h"

#include <cstring>

#include "StationWiring.h"

namespace {

// One item of a list, by the station's names: "I+@J5.5".
bool ReadNamedItem(const Wiring& wiring, bool wiringInUse, const std::string& item, RelaySet& relays,
                   std::string& error)
{
    if (!wiringInUse) {
        error = Quoted(item) + ": a crosspoint by the station's names, but no wiring file is in use (give "
                               "--wiring FILE or set RELAYTEST_WIRING)";
        return false;
    }
    int relay = 0;
    if (!ReadCrosspoint(wiring, item, relay, error))
        return false;
    relays.set(static_cast<std::size_t>(relay));
    return true;
}

}  // namespace

bool ReadRelayWord(const Wiring& wiring, bool wiringInUse, const char* word, RelaySet& relays, std::string& error)
{
    // Without a name in it, the list is read whole, as it always was.
    if (std::strchr(word, '@') == nullptr)
        return ParseRelayList(word, relays, error);
    const std::string text = word;
    RelaySet read;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(',', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string item = text.substr(start, end - start);
        const bool ok = item.find('@') != std::string::npos ? ReadNamedItem(wiring, wiringInUse, item, read, error)
                                                             : ParseRelayList(item.c_str(), read, error);
        if (!ok)
            return false;
        start = end + 1;
    }
    relays |= read;
    return true;
}

std::string RelayLabel(const Wiring& wiring, int relay)
{
    std::string name = CrosspointName(wiring, relay);
    const std::size_t names = name.find(" (");
    if (names != std::string::npos) {
        const std::string inner = name.substr(names + 2, name.size() - names - 3);
        name.resize(names);
        name += ", ";
        name += inner;
    }
    return std::to_string(relay) + " (" + name + ")";
}

BoardSet RuleBoards(const Wiring& wiring, const RelaySet& request)
{
    return static_cast<BoardSet>(BoardsOf(request) | ListedBoards(wiring));
}

CloseRule CheckCloseRules(const Wiring& wiring, const RelaySet& held, const RelaySet& request, int maxClosed,
                          std::string& refusal, std::string& breach)
{
    refusal.clear();
    breach.clear();
    if (!StateKeepsRules(wiring, held, maxClosed, breach)) {
        refusal = StateBrokenRefusal;
        return CloseRule::StateBroken;
    }
    return CheckClose(wiring, held, request, maxClosed, refusal) ? CloseRule::Allowed : CloseRule::Refused;
}
