#include <gtest/gtest.h>

#include "BarAccess.h"
#include "CaseName.h"
#include "SimCardTest.h"

namespace {

struct TraceCase {
    bool write;
    std::uint32_t offset;
    std::uint32_t value;
    const char* line;
};

class TraceFormat : public SimCardTestWithParam<TraceCase> {};

// Each access reaches the driver with card 0 and BAR 2, and prints one line
// with the offset padded to two hex digits (longer ones in full) and the value
// to eight, both in upper case.
TEST_P(TraceFormat, OneLinePerAccessAfterTheDriverCall)
{
    const TraceCase& c = GetParam();
    SimSetReadOverride([&](std::uint32_t, std::uint32_t) { return c.value; });
    std::uint32_t returned = 0;
    const std::string out = CaptureStdout([&] {
        if (c.write)
            BarWrite32(c.offset, c.value);
        else
            returned = BarRead32(c.offset);
    });
    EXPECT_EQ(out, c.line);
    const SimCall expected{c.write ? SimOp::OutBAR32 : SimOp::InBAR32, 0, 2, c.offset, c.value};
    ASSERT_EQ(SimLog().size(), 1u);
    EXPECT_EQ(SimLog()[0], expected);
    if (!c.write) {
        EXPECT_EQ(returned, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(Traces, TraceFormat,
                         ::testing::Values(TraceCase{false, 0x104, 0x00000001, "104 ?? 00000001\n"},
                                           TraceCase{true, 0x100, 0x80, "100 << 00000080\n"},
                                           TraceCase{true, 4, 0xabcdef, "04 << 00ABCDEF\n"},
                                           TraceCase{false, 0, 0, "00 ?? 00000000\n"},
                                           TraceCase{false, 0x10C, 0xDEADBEEF, "10C ?? DEADBEEF\n"},
                                           TraceCase{true, 0x110, 0x80000000, "110 << 80000000\n"},
                                           TraceCase{false, 0x1234ABCD, 0xFFFFFFFF, "1234ABCD ?? FFFFFFFF\n"}),
                         [](const auto& p) {
                             return (p.param.write ? "Write" : "Read") + HexName(p.param.offset) + "_" + HexName(p.param.value);
                         });

class CardCount : public SimCardTestWithParam<std::pair<std::int32_t, bool>> {};

TEST_P(CardCount, PresentFromOneCardUp)
{
    SimSetCardCount(GetParam().first);
    EXPECT_EQ(CardPresent(), GetParam().second);
    ASSERT_EQ(SimLog().size(), 1u);
    EXPECT_EQ(SimLog()[0].op, SimOp::GetNumCards);
}

INSTANTIATE_TEST_SUITE_P(Counts, CardCount,
                         ::testing::Values(std::make_pair(0, false), std::make_pair(1, true),
                                           std::make_pair(3, true), std::make_pair(-1, false),
                                           std::make_pair(INT32_MIN, false)),
                         [](const auto& p) { return "Cards" + CaseName(p.param.first); });

}  // namespace
