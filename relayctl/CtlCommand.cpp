#include "CtlCommand.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int LastRelay = BoardCount * RelaysPerBoard - 1;

// A decimal number at text, of at most six digits, leaving text after it.
bool Number(const char*& text, int& value)
{
    int digits = 0;
    value = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits) {
        if (digits < 6)
            value = value * 10 + (*text - '0');
    }
    return digits > 0 && digits <= 6;
}

// "N-M" or "N" within 0..last, as first and last; what is wrong in error.
bool Range(const char* word, int highest, const char* what, int& first, int& last, char* error, std::size_t size)
{
    const char* at = word;
    bool ok = Number(at, first);
    last = first;
    if (ok && *at == '-') {
        ++at;
        ok = Number(at, last);
    }
    if (!ok || *at != '\0')
        return false;
    if (first > highest || last > highest) {
        (void)std::snprintf(error, size, "%s: %s %d is outside 0-%d", word, what, first > highest ? first : last,
                            highest);
        return false;
    }
    if (first > last) {
        (void)std::snprintf(error, size, "%s: the range is reversed (write %d-%d)", word, last, first);
        return false;
    }
    return true;
}

// "board:row:column", as its relay.
bool Crosspoint(const char* word, int& relay, char* error, std::size_t size)
{
    const char* at = word;
    int place[3] = {};
    const int highest[3] = {BoardCount - 1, CrosspointRows - 1, CrosspointColumns - 1};
    const char* names[3] = {"board", "row", "column"};
    for (int i = 0; i < 3; ++i) {
        if (!Number(at, place[i]) || *at != (i < 2 ? ':' : '\0'))
            return false;
        ++at;
    }
    for (int i = 0; i < 3; ++i) {
        if (place[i] > highest[i]) {
            (void)std::snprintf(error, size, "%s: %s %d is outside 0-%d", word, names[i], place[i], highest[i]);
            return false;
        }
    }
    relay = RelayAt(place[0], place[1], place[2]);
    return true;
}

bool AddRelays(const char* word, RelaySet& relays, char* error, std::size_t size)
{
    error[0] = '\0';
    int first = 0;
    int last = 0;
    bool ok = false;
    if (std::strchr(word, ':') != nullptr) {
        ok = Crosspoint(word, first, error, size);
        last = first;
    } else {
        ok = Range(word, LastRelay, "relay", first, last, error, size);
    }
    if (!ok) {
        if (error[0] == '\0')
            (void)std::snprintf(error, size,
                                "\"%s\" is not a relay: use a number 0-1023, a range such as 100-107, or "
                                "board:row:column such as 0:4:12",
                                word);
        return false;
    }
    for (int relay = first; relay <= last; ++relay)
        relays.set(static_cast<std::size_t>(relay));
    return true;
}

bool AddBoards(const char* word, BoardSet& boards, char* error, std::size_t size)
{
    error[0] = '\0';
    int first = 0;
    int last = 0;
    if (!Range(word, BoardCount - 1, "board", first, last, error, size)) {
        if (error[0] == '\0')
            (void)std::snprintf(error, size, "\"%s\" is not a board: use a number 0-7 or a range such as 0-3", word);
        return false;
    }
    for (int board = first; board <= last; ++board)
        boards = static_cast<BoardSet>(boards | (1u << board));
    return true;
}

}  // namespace

BoardSet BoardsOf(const RelaySet& relays)
{
    BoardSet boards = 0;
    for (std::size_t relay = 0; relay < relays.size(); ++relay) {
        if (relays.test(relay))
            boards = static_cast<BoardSet>(boards | (1u << (relay / RelaysPerBoard)));
    }
    return boards;
}

bool ParseCommand(int count, const char* const* words, CtlCommand& command, char* error, std::size_t errorSize)
{
    command = CtlCommand{};
    error[0] = '\0';
    const char* name = count > 0 ? words[0] : "";
    const bool show = std::strcmp(name, "show") == 0;
    const bool open = std::strcmp(name, "open") == 0;
    if (!show && !open && std::strcmp(name, "close") != 0) {
        (void)std::snprintf(error, errorSize, "%s \"%s\" (see relayctl --help)",
                            name[0] == '-' ? "unknown option" : "unknown command", name);
        return false;
    }
    command.action = show ? CtlAction::Show : open ? CtlAction::Open : CtlAction::Close;
    for (int i = 1; i < count; ++i) {
        // Closing every relay joins every row to every column at once.
        bool ok = true;
        if (std::strcmp(words[i], "all") != 0)
            ok = show ? AddBoards(words[i], command.boards, error, errorSize)
                      : AddRelays(words[i], command.relays, error, errorSize);
        else if (show)
            command.boards = AllBoards;
        else if (open)
            command.relays.set();
        else
            ok = false;
        if (!ok && error[0] == '\0')
            (void)std::snprintf(error, errorSize, "close all is refused: name the relays to close");
        if (!ok)
            return false;
    }
    if (show && command.boards == 0)
        command.boards = AllBoards;
    if (!show && command.relays.none()) {
        (void)std::snprintf(error, errorSize, "%s needs at least one relay, such as %s 100, 100-107 or 0:4:12%s", name,
                            name, open ? ", or all" : "");
        return false;
    }
    return true;
}
