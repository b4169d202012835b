#include "RelayList.h"

#include <cstdio>
#include <cstring>

#include "EscapedText.h"

namespace {

// Beyond any relay: a longer number is still named as typed.
constexpr long Saturated = 1000000;

struct Item {
    const char* text;  // the item, up to its comma or the end
    std::size_t length;
};

// Digits at at, within the item's end: their value (saturated), and at past them.
bool Number(const char*& at, const char* end, long& value)
{
    const char* start = at;
    value = 0;
    for (; at < end && *at >= '0' && *at <= '9'; ++at)
        value = value < Saturated ? value * 10 + (*at - '0') : Saturated;
    return at > start;
}

std::string Outside(const char* what, const char* digits, const char* after, int highest)
{
    char range[32];
    (void)std::snprintf(range, sizeof range, " is outside 0-%d", highest);
    return std::string(what) + " " + std::string(digits, static_cast<std::size_t>(after - digits)) + range;
}

// "N" or "N-M" within 0..highest; false with error set when out of range or
// reversed, false with error empty when it is no such thing.
bool Range(const Item& item, const char* what, int highest, int& first, int& last, std::string& error)
{
    const char* end = item.text + item.length;
    const char* at = item.text;
    long a = 0;
    long b = 0;
    const char* firstEnd = nullptr;
    if (!Number(at, end, a))
        return false;
    firstEnd = at;
    b = a;
    const char* second = at + 1;
    if (at < end && *at == '-') {
        ++at;
        if (!Number(at, end, b))
            return false;
    } else {
        second = item.text;
    }
    if (at != end)
        return false;
    if (a > highest)
        error = Outside(what, item.text, firstEnd, highest);
    else if (b > highest)
        error = Outside(what, second, end, highest);
    else if (a > b) {
        char text[96];
        (void)std::snprintf(text, sizeof text, "the range %ld-%ld is reversed (write %ld-%ld)", a, b, b, a);
        error = text;
    }
    first = static_cast<int>(a);
    last = static_cast<int>(b);
    return error.empty();
}

const char* const NotABoard = " is not a board: use a number 0-7 or a range, such as 0-7 or 0,2-3";

// Each item of text in turn; false at the first one add refuses.
template <class Add>
bool EachItem(const char* text, std::string& error, Add add)
{
    error.clear();
    const char* at = text;
    for (;;) {
        const std::size_t length = std::strcspn(at, ",");
        if (!add(Item{at, length}))
            return false;
        if (at[length] == '\0')
            return true;
        at += length + 1;
    }
}

}  // namespace

bool ParseBoardList(const char* text, BoardSet& boards, std::string& error)
{
    BoardSet parsed = 0;
    const bool ok = EachItem(text, error, [&](const Item& item) {
        int first = 0;
        int last = 0;
        if (!Range(item, "board", BoardCount - 1, first, last, error)) {
            if (error.empty())
                error = Quoted(item.text, item.length) + NotABoard;
            return false;
        }
        for (int b = first; b <= last; ++b)
            parsed = static_cast<BoardSet>(parsed | (1u << b));
        return true;
    });
    if (ok)
        boards = parsed;
    return ok;
}

BoardSet BoardsOf(const RelaySet& relays)
{
    BoardSet boards = 0;
    for (std::size_t relay = 0; relay < relays.size(); ++relay) {
        if (relays.test(relay))
            boards = static_cast<BoardSet>(boards | (1u << (relay / RelaysPerBoard)));
    }
    return boards;
}

std::string Quoted(const char* text, std::size_t length) { return "\"" + EscapedText(text, length) + "\""; }

std::string Quoted(const std::string& text) { return Quoted(text.data(), text.size()); }
