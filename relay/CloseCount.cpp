#include "CloseCount.h"

namespace {

std::uint32_t Known[BoardCount][WordsPerBoard] = {};
std::uint32_t Closes[BoardCount * RelaysPerBoard] = {};
bool Waiting = false;
void (*Counted)() = nullptr;

}  // namespace

void NoteBoardFetched(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard])
{
    for (int w = 0; w < WordsPerBoard; ++w)
        Known[board][w] = words[w];
}

void NoteBoardPushed(BoardIndex board, const std::uint32_t (&words)[WordsPerBoard])
{
    bool counted = false;
    for (int w = 0; w < WordsPerBoard; ++w) {
        for (std::uint32_t pulled = words[w] & ~Known[board][w]; pulled != 0; pulled &= pulled - 1) {
            int bit = 0;
            while (((pulled >> bit) & 1u) == 0)
                ++bit;
            ++Closes[board * RelaysPerBoard + w * 32 + bit];
            counted = true;
        }
        Known[board][w] = words[w];
    }
    Waiting = Waiting || counted;
    if (counted && Counted != nullptr)
        Counted();
}

void TakeCloseCounts(std::uint32_t (&closes)[BoardCount * RelaysPerBoard])
{
    for (int r = 0; r < BoardCount * RelaysPerBoard; ++r) {
        closes[r] = Closes[r];
        Closes[r] = 0;
    }
    Waiting = false;
}

bool CloseCountsWaiting() { return Waiting; }

void RestoreCloseCounts(const std::uint32_t (&closes)[BoardCount * RelaysPerBoard])
{
    for (int r = 0; r < BoardCount * RelaysPerBoard; ++r) {
        Closes[r] += closes[r];
        Waiting = Waiting || closes[r] != 0;
    }
}

void WatchCloseCounts(void (*counted)()) { Counted = counted; }

void ForgetCloseCounts()
{
    for (auto& board : Known) {
        for (auto& word : board)
            word = 0;
    }
    for (auto& count : Closes)
        count = 0;
    Waiting = false;
}
