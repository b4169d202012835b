#include "MatrixRoutes.h"

#include <algorithm>
#include <cstring>

#include "MatrixSession.h"
#include "MatrixSwitch.h"
#include "Record.h"
#include "RouteSwitch.h"
#include "StationWiring.h"
#include "relaymatrix.h"

namespace {

constexpr int Stopped = -1;

}  // namespace

int NeedWiring(std::string& error)
{
    if (SessionWired())
        return RELAYMATRIX_OK;
    error = "routes need the station's wiring file: open the session with one (or RELAYTEST_WIRING)";
    return RELAYMATRIX_BAD_ARGUMENT;
}

namespace {

// "dmm_vcc DMM_HI VCC 0:0:0": the route as the library gives it, one line.
std::string RouteLine(const Wiring& wiring, const Route& route)
{
    std::string relays = RouteCrosspoints(route);
    for (std::size_t comma = relays.find(", "); comma != std::string::npos; comma = relays.find(", ", comma))
        relays.erase(comma + 1, 1);
    return (route.name.empty() ? "-" : route.name) + " " + NetName(wiring, route.from) + " " +
           NetName(wiring, route.to) + " " + (relays.empty() ? "-" : relays) + "\n";
}

// What the boards hold, read back; a board that reads back all ones is no
// ground to route on (its image is not trusted), and nothing is switched.
int ReadHeld(RelayBits& closed, std::string& error)
{
    BoardSet allOnes = 0;
    if (!ReadRouteBoards(SessionWiring(), closed, allOnes))
        return Stopped;
    for (BoardIndex board = 0; board < BoardCount; ++board) {
        if (!InSet(allOnes, board))
            continue;
        RecordLine("Board %d refused: it reads back all ones (not fitted or not answering)\n", board);
        if (error.empty())
            error = "board " + std::to_string(board) + " reads back all ones (not fitted or not answering): "
                    "nothing switched";
    }
    return allOnes != 0 ? RELAYMATRIX_NOT_AS_ASKED : RELAYMATRIX_OK;
}

int Refuse(const std::string& refusal, std::string& error)
{
    RecordLine("Command refused: %s\n", refusal.c_str());
    error = refusal + ": nothing switched";
    return RELAYMATRIX_REFUSED;
}

int Apply(const RouteChange& change, std::string& error)
{
    std::string failure;
    const RouteEnd end = ApplyRouteChange(SessionPlace(error), change, failure);
    switch (end) {
    case RouteEnd::Done: error.clear(); return RELAYMATRIX_OK;
    case RouteEnd::Stopped: return Stopped;
    case RouteEnd::Refused:
        if (error.empty())
            error = failure + ": nothing switched";
        return RELAYMATRIX_REFUSED;
    case RouteEnd::NotFollowed: break;
    }
    error = failure + (change.close.any() ? "; the relays this call closed are open again" : "; nothing was closed");
    return RELAYMATRIX_NOT_AS_ASKED;
}

}  // namespace

int ReadEndsNamed(const char* first, const char* second, RouteEnds& ends, std::string& error)
{
    if (NeedWiring(error) != RELAYMATRIX_OK)
        return RELAYMATRIX_BAD_ARGUMENT;
    if (first == nullptr || first[0] == '\0') {
        error = "no route named: give a route's name, or its two ends";
        return RELAYMATRIX_BAD_ARGUMENT;
    }
    return ReadRouteEnds(SessionWiring(), first, second == nullptr ? "" : second, ends.first, ends.second, error)
               ? RELAYMATRIX_OK
               : RELAYMATRIX_BAD_ARGUMENT;
}

int ReadWantedRoutes(const char* names, std::vector<RouteEnds>& wanted, std::string& error)
{
    if (NeedWiring(error) != RELAYMATRIX_OK)
        return RELAYMATRIX_BAD_ARGUMENT;
    const std::string text = names == nullptr ? "" : names;
    const char* const separators = ", \t";
    for (std::size_t at = text.find_first_not_of(separators); at != std::string::npos;) {
        const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
        const std::string word = text.substr(at, end - at);
        at = text.find_first_not_of(separators, end);
        const std::size_t slash = word.find('/');
        RouteEnds ends;
        if (slash != std::string::npos &&
            ReadRouteEnds(SessionWiring(), word.substr(0, slash), word.substr(slash + 1), ends.first, ends.second,
                          error)) {
            wanted.push_back(ends);
            continue;
        }
        if (slash == std::string::npos && NamedRoutes(SessionWiring(), word, wanted))
            continue;
        if (slash == std::string::npos)
            error = Quoted(word) + " names no group or route of the wiring (or write FROM/TO)";
        return RELAYMATRIX_BAD_ARGUMENT;
    }
    if (wanted.empty()) {
        error = "no group or route named";
        return RELAYMATRIX_BAD_ARGUMENT;
    }
    return RELAYMATRIX_OK;
}

int ConnectEnds(const RouteEnds& ends, bool switching, std::string& line, std::string& error)
{
    RelayBits closed;
    const int read = ReadHeld(closed, error);
    if (read != RELAYMATRIX_OK)
        return read;
    const Wiring& wiring = SessionWiring();
    Route route;
    std::string refusal;
    const RouteFound found = FindRoute(wiring, closed, ends.first, ends.second, SessionLimit(), route, refusal);
    if (found == RouteFound::Refused)
        return Refuse(RouteTitle(wiring, route) + ": " + refusal, error);
    line = RouteLine(wiring, route);
    if (found == RouteFound::Connected || !switching)
        return RELAYMATRIX_OK;
    return Apply(MakingChange(route), error);
}

int DisconnectEnds(const RouteEnds& ends, std::string& error)
{
    RelayBits closed;
    const int read = ReadHeld(closed, error);
    if (read != RELAYMATRIX_OK)
        return read;
    RouteChange change;
    std::string refusal;
    // Ends not joined: nothing to break, as asked.
    if (!PlanDisconnect(SessionWiring(), closed, ends.first, ends.second, change, refusal))
        return RELAYMATRIX_OK;
    return Apply(change, error);
}

int ConnectedLines(std::string& lines, std::string& error)
{
    RelayBits closed;
    const int read = ReadHeld(closed, error);
    if (read != RELAYMATRIX_OK)
        return read;
    for (const Route& route : ConnectedRoutes(SessionWiring(), closed))
        lines += RouteLine(SessionWiring(), route);
    return RELAYMATRIX_OK;
}

int SwitchToRoutes(const std::vector<RouteEnds>& wanted, bool makeFirst, std::string& error)
{
    RelayBits closed;
    const int read = ReadHeld(closed, error);
    if (read != RELAYMATRIX_OK)
        return read;
    RouteChange change;
    std::string refusal;
    if (!PlanRouteChange(SessionWiring(), closed, wanted, makeFirst, SessionLimit(), change, refusal))
        return Refuse(refusal, error);
    return Apply(change, error);
}

void GiveLines(const std::string& lines, char* text, int size, int* length)
{
    if (length != nullptr)
        *length = static_cast<int>(lines.size());
    if (text == nullptr || size <= 0)
        return;
    std::size_t fits = lines.size();
    if (fits >= static_cast<std::size_t>(size)) {
        const std::size_t newline = lines.rfind('\n', static_cast<std::size_t>(size) - 2);
        fits = newline == std::string::npos || size < 2 ? 0 : newline + 1;
    }
    std::memcpy(text, lines.data(), fits);
    text[fits] = '\0';
}
