#include "SweepArgs.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int LastBoard = 7;

// One board number at text: digits only. Leaves text after them.
bool BoardNumber(const char*& text, int& board)
{
    if (*text < '0' || *text > '9')
        return false;
    board = 0;
    while (*text >= '0' && *text <= '9') {
        if (board < 10000)
            board = board * 10 + (*text - '0');
        ++text;
    }
    return true;
}

// One item of the list, "N" or "N-M", added to boards. Leaves text after it.
bool ListItem(const char*& text, const char* list, BoardSet& boards, char* error, std::size_t errorSize)
{
    const char* start = text;
    int first = 0;
    int last = 0;
    bool ok = BoardNumber(text, first);
    last = first;
    if (ok && *text == '-') {
        ++text;
        ok = BoardNumber(text, last);
    }
    if (!ok || (*text != ',' && *text != '\0')) {
        (void)std::snprintf(error, errorSize,
                            "--boards %s: \"%.*s\" is not a board number or range (use numbers and ranges within "
                            "0-7, such as 0-7 or 0,2-3)",
                            list, static_cast<int>(std::strcspn(start, ",")), start);
        return false;
    }
    if (first > LastBoard || last > LastBoard) {
        (void)std::snprintf(error, errorSize, "--boards %s: board %d is outside 0-7", list,
                            first > LastBoard ? first : last);
        return false;
    }
    if (first > last) {
        (void)std::snprintf(error, errorSize, "--boards %s: the range %d-%d is reversed (write %d-%d)", list, first,
                            last, last, first);
        return false;
    }
    for (int b = first; b <= last; ++b)
        boards = static_cast<BoardSet>(boards | (1u << b));
    return true;
}

}  // namespace

bool ParseBoardList(const char* text, BoardSet& boards, char* error, std::size_t errorSize)
{
    BoardSet parsed = 0;
    const char* at = text;
    do {
        if (!ListItem(at, text, parsed, error, errorSize))
            return false;
    } while (*at++ == ',');
    boards = parsed;
    return true;
}

bool ParseSweepArgs(int argc, const char* const* argv, SweepOptions& options, char* error, std::size_t errorSize)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--yes") == 0) {
            options.confirmed = true;
        } else if (std::strcmp(arg, "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(arg, "--boards") == 0 || std::strncmp(arg, "--boards=", 9) == 0) {
            const char* list = arg[8] == '=' ? arg + 9 : (i + 1 < argc ? argv[++i] : nullptr);
            if (list == nullptr || *list == '\0') {
                (void)std::snprintf(error, errorSize, "--boards needs a list of boards, such as 0-7 or 0,2-3");
                return false;
            }
            if (!ParseBoardList(list, options.boards, error, errorSize))
                return false;
        } else {
            (void)std::snprintf(error, errorSize, "%s \"%s\" (see relaysweep --help)",
                                arg[0] == '-' ? "unknown option" : "unexpected argument", arg);
            return false;
        }
    }
    return true;
}
