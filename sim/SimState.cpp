#include "SimState.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "SimStateFile.h"

namespace {

constexpr int Boards = 8;

// One line "board B: W0 W1 W2 W3", the words of eight hexadecimal digits.
bool ParseLine(const char* line, int board, BoardWords& words)
{
    char expected[16];
    (void)std::snprintf(expected, sizeof expected, "board %d: ", board);
    const std::size_t prefix = std::strlen(expected);
    if (std::strncmp(line, expected, prefix) != 0)
        return false;
    const char* at = line + prefix;
    for (std::size_t w = 0; w < words.size(); ++w) {
        std::uint32_t value = 0;
        for (int digit = 0; digit < 8; ++digit, ++at) {
            const char c = *at;
            const char* hex = std::strchr("0123456789ABCDEF", c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
            if (c == '\0' || hex == nullptr)
                return false;
            value = value << 4 | static_cast<std::uint32_t>(hex - "0123456789ABCDEF");
        }
        words[w] = value;
        if (w + 1 < words.size() && *at++ != ' ')
            return false;
    }
    return std::strcmp(at, "\n") == 0 || std::strcmp(at, "\r\n") == 0 || *at == '\0';
}

}  // namespace

bool LoadSimState(const std::string& path, CardWords& boards, std::string& error)
{
    boards = CardWords{};
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr && errno == ENOENT)
        return true;
    const std::string name = "state file \"" + path + "\"";
    if (file == nullptr) {
        error = name + " cannot be opened: " + std::strerror(errno);
        return false;
    }
    char line[128];
    int board = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        const bool ok = board < Boards && ParseLine(line, board, boards[static_cast<std::size_t>(board)]);
        if (!ok) {
            error = board == Boards ? name + " has more than 8 lines, one for each board"
                                    : name + ": line " + std::to_string(board + 1) + " is not \"board " +
                                          std::to_string(board) + ": \" and four words of eight hexadecimal digits";
            (void)std::fclose(file);
            return false;
        }
        ++board;
    }
    const bool readError = std::ferror(file) != 0;
    (void)std::fclose(file);
    if (readError) {
        error = name + " cannot be read";
        return false;
    }
    if (board != Boards) {
        error = name + " has " + std::to_string(board) + " lines, not one for each of the 8 boards";
        return false;
    }
    return true;
}

namespace {

// Writes the file whole beside the old one, then renames it into place.
bool SaveSimState(const std::string& path, const CardWords& boards, std::string& error)
{
    const std::string fresh = path + ".new";
    std::FILE* file = std::fopen(fresh.c_str(), "w");
    if (file == nullptr) {
        error = "state file \"" + fresh + "\" cannot be made: " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (int b = 0; b < Boards; ++b) {
        const BoardWords& w = boards[static_cast<std::size_t>(b)];
        ok = std::fprintf(file, "board %d: %08X %08X %08X %08X\n", b, w[0], w[1], w[2], w[3]) > 0 && ok;
    }
    if (std::fclose(file) != 0 || !ok) {
        error = "state file \"" + fresh + "\" cannot be written";
        (void)std::remove(fresh.c_str());
        return false;
    }
    return ReplaceSimStateFile(fresh, path, error);
}

}  // namespace

bool ReadSimState(const std::string& path, CardWords& boards, std::string& error)
{
    if (!LockSimStateFile(path, error))
        return false;
    const bool ok = LoadSimState(path, boards, error);
    UnlockSimStateFile();
    return ok;
}

bool PushSimState(const std::string& path, std::uint32_t boards, const BoardWords& words, std::string& error)
{
    if (!LockSimStateFile(path, error))
        return false;
    CardWords card;
    bool ok = LoadSimState(path, card, error);
    for (std::size_t b = 0; ok && b < card.size(); ++b) {
        if (((boards >> b) & 1u) != 0)
            card[b] = words;
    }
    ok = ok && SaveSimState(path, card, error);
    UnlockSimStateFile();
    return ok;
}
