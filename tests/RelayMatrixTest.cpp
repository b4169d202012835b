#include <gtest/gtest.h>

#include <climits>

#include "CaseName.h"
#include "RelayMatrix.h"
#include "SimCardTest.h"

namespace {

using RelayMatrix = SimCardTest;

// The five writes of one push, as the card saw them, without the polls.
std::vector<SimCall> Writes()
{
    std::vector<SimCall> writes;
    for (const SimCall& c : SimLog()) {
        if (c.op == SimOp::OutBAR32)
            writes.push_back(c);
    }
    return writes;
}

std::vector<SimCall> Push(const BoardWords& words, std::uint32_t control)
{
    return {{SimOp::OutBAR32, 0, 2, 0x104, words[0]},
            {SimOp::OutBAR32, 0, 2, 0x108, words[1]},
            {SimOp::OutBAR32, 0, 2, 0x10C, words[2]},
            {SimOp::OutBAR32, 0, 2, 0x110, words[3]},
            {SimOp::OutBAR32, 0, 2, 0x100, control}};
}

struct Numbering {
    RelayNumber relay;
    int board, row, column;
    BoardWords pushed;
    std::uint32_t control;
};

class RelayNumbering : public SimCardTestWithParam<Numbering> {};

// Switching one relay on from the all-off state: the board it lands on holds
// exactly that bit, the push goes data words first and control last, and the
// crosspoint map marks the relay's row and column.
TEST_P(RelayNumbering, LandsOnItsBoardWordAndCrosspoint)
{
    const Numbering& n = GetParam();
    CaptureStdout([&] { SetRelay(n.relay, true); });

    EXPECT_EQ(Writes(), Push(n.pushed, n.control));
    for (int b = 0; b < BoardCount; ++b)
        EXPECT_EQ(SimBoardImage(b), b == n.board ? n.pushed : BoardWords{}) << "board " << b;
    int marked = 0;
    for (const auto& board : CrosspointMap)
        for (const auto& row : board)
            for (std::uint8_t flag : row)
                marked += flag;
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(CrosspointMap[n.board][n.row][n.column], 1);
}

INSTANTIATE_TEST_SUITE_P(
    Relays, RelayNumbering,
    ::testing::Values(Numbering{0, 0, 0, 0, {0x00000001, 0, 0, 0}, 0x80},
                      Numbering{8, 0, 0, 1, {0x00000100, 0, 0, 0}, 0x80},
                      Numbering{100, 0, 4, 12, {0, 0, 0, 0x00000010}, 0x80},
                      Numbering{127, 0, 7, 15, {0, 0, 0, 0x80000000}, 0x80},
                      Numbering{128, 1, 0, 0, {0x00000001, 0, 0, 0}, 0x81},
                      Numbering{254, 1, 6, 15, {0, 0, 0, 0x40000000}, 0x81},
                      Numbering{1023, 7, 7, 15, {0, 0, 0, 0x80000000}, 0x87}),
    [](const auto& p) { return "Relay" + std::to_string(p.param.relay); });

// The road of one request: the switch line, then five lines of one poll and
// one write each.
TEST_F(RelayMatrix, SwitchPrintsLineThenFivePushLines)
{
    const std::string out = CaptureStdout([] { SetRelay(100, true); });
    const std::string poll = BusyTrace(0);
    EXPECT_EQ(out, "Turning on relay  100\n" + poll + "104 << 00000000\n" + poll + "108 << 00000000\n" + poll +
                       "10C << 00000000\n" + poll + "110 << 00000010\n" + poll + "100 << 00000080\n");
}

TEST_F(RelayMatrix, SwitchLinePadsToFourColumns)
{
    EXPECT_EQ(CaptureStdout([] { SetRelay(0, true); }).substr(0, 22), "Turning on relay    0\n");
    EXPECT_EQ(CaptureStdout([] { SetRelay(1023, false); }).substr(0, 23), "Turning off relay 1023\n");
}

TEST_F(RelayMatrix, RepeatedSwitchStillPushesAndOffRestores)
{
    CaptureStdout([] {
        SetRelay(3, true);
        SetRelay(40, true);
    });
    SimClearLog();
    const std::string again = CaptureStdout([] { SetRelay(40, true); });
    EXPECT_EQ(again.substr(0, 22), "Turning on relay   40\n");
    EXPECT_EQ(Writes(), Push({0x8, 0x100, 0, 0}, 0x80));

    SimClearLog();
    CaptureStdout([] {
        SetRelay(70, true);
        SetRelay(70, false);
    });
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 10u);
    EXPECT_EQ(writes[2].value, 0x40u) << "relay 70 is bit 6 of word 2";
    EXPECT_EQ(std::vector<SimCall>(writes.begin() + 5, writes.end()), Push({0x8, 0x100, 0, 0}, 0x80));
    EXPECT_EQ(SimBoardImage(0), (BoardWords{0x8, 0x100, 0, 0}));
    EXPECT_EQ(CrosspointMap[0][6][8], 0) << "the map keeps the last flag given";
}

class OutOfRange : public SimCardTestWithParam<RelayNumber> {};

// Numbers outside the matrix are refused with one line, before any table or
// register is touched.
TEST_P(OutOfRange, RefusedWithoutTouchingAnything)
{
    const RelayNumber relay = GetParam();
    const std::string out = CaptureStdout([&] { SetRelay(relay, true); });
    EXPECT_EQ(out, "ERROR: relay " + std::to_string(relay) + " is out of range 0 to 1023\n");
    EXPECT_TRUE(SimLog().empty());
    for (const auto& board : RelayState)
        for (std::uint32_t word : board)
            EXPECT_EQ(word, 0u);
    for (const auto& board : CrosspointMap)
        for (const auto& row : board)
            for (std::uint8_t flag : row)
                EXPECT_EQ(flag, 0);
}

INSTANTIATE_TEST_SUITE_P(Numbers, OutOfRange, ::testing::Values(-1, 1024, -128, INT_MAX, INT_MIN),
                         [](const auto& p) { return "Relay" + CaseName(p.param); });

TEST_F(RelayMatrix, WriteBoardRefusesBoardsOutsideTheMatrix)
{
    for (BoardIndex board : {-1, 8, INT_MIN, INT_MAX}) {
        EXPECT_EQ(CaptureStdout([&] { WriteBoard(board); }),
                  "ERROR: board " + std::to_string(board) + " is out of range 0 to 7\n");
    }
    EXPECT_TRUE(SimLog().empty());
}

// The fetch's five SPI lines, then the report: an empty line, the heading,
// four word lines with bit 0 at the left, and the closing rule.
TEST_F(RelayMatrix, ReadBoardPrintsFetchThenReport)
{
    SimSetBoardFixed(0, {0x00000101, 0, 0, 0x00000210});
    bool result = false;
    const std::string out = CaptureStdout([&] { result = ReadBoard(0); });
    EXPECT_TRUE(result);
    const std::string poll = BusyTrace(0);
    EXPECT_EQ(TranscriptDiff(poll + "100 << 00000000\n" + poll + "104 ?? 00000101\n" + poll + "108 ?? 00000000\n" +
                                 poll + "10C ?? 00000000\n" + poll + "110 ?? 00000210\n" +
                                 "\r\nBoard #0\r\n"
                                 "[00000101] = Relays  0 to  31 = X.......X.......................\r\n"
                                 "[00000000] = Relays 32 to  63 = ................................\r\n"
                                 "[00000000] = Relays 64 to  95 = ................................\r\n"
                                 "[00000210] = Relays 96 to 127 = ....X....X......................\r\n"
                                 "--------\r\n",
                             out),
              "");
    EXPECT_EQ(RelayState[0][0], 0x101u);
    EXPECT_EQ(RelayState[0][3], 0x210u);
}

struct ReportCase {
    BoardIndex board;
    BoardWords words;
    std::vector<std::string> lines;  // the four word lines
};

class Report : public SimCardTestWithParam<ReportCase> {};

TEST_P(Report, WordLinesShowValueRangeAndRelays)
{
    const ReportCase& c = GetParam();
    SimSetBoardFixed(c.board, c.words);
    const std::string out = CaptureStdout([&] { ReadBoard(c.board); });
    std::string expected = "\r\nBoard #" + std::to_string(c.board) + "\r\n";
    for (const std::string& line : c.lines)
        expected += line + "\r\n";
    expected += "--------\r\n";
    ASSERT_GE(out.size(), expected.size());
    EXPECT_EQ(TranscriptDiff(expected, out.substr(out.size() - expected.size())), "");
}

INSTANTIATE_TEST_SUITE_P(
    Boards, Report,
    ::testing::Values(
        ReportCase{1,
                   {0x00000002, 0, 0, 0x40000000},
                   {"[00000002] = Relays 128 to 159 = .X..............................",
                    "[00000000] = Relays 160 to 191 = ................................",
                    "[00000000] = Relays 192 to 223 = ................................",
                    "[40000000] = Relays 224 to 255 = ..............................X."}},
        ReportCase{7,
                   {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
                   {"[FFFFFFFF] = Relays 896 to 927 = XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX",
                    "[FFFFFFFF] = Relays 928 to 959 = XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX",
                    "[FFFFFFFF] = Relays 960 to 991 = XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX",
                    "[FFFFFFFF] = Relays 992 to 1023 = XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"}},
        ReportCase{3,
                   {0x80000001, 0x0000ABCD, 0x12345678, 0},
                   {"[80000001] = Relays 384 to 415 = X..............................X",
                    "[0000ABCD] = Relays 416 to 447 = X.XX..XXXX.X.X.X................",
                    "[12345678] = Relays 448 to 479 = ...XXXX..XX.X.X...X.XX...X..X...",
                    "[00000000] = Relays 480 to 511 = ................................"}}),
    [](const auto& p) { return "Board" + std::to_string(p.param.board); });

// What comes back replaces the image, so the next push of that board carries
// the returned bits, not what was pushed before.
TEST_F(RelayMatrix, ReadBackReplacesTheImageForLaterPushes)
{
    SimSetStuckRelay(300, true);   // board 2, word 1, bit 12
    SimSetStuckRelay(257, false);  // board 2, word 0, bit 1
    CaptureStdout([] {
        SetRelay(257, true);
        ReadBoard(2);
    });
    SimClearLog();
    CaptureStdout([] { SetRelay(256, true); });
    EXPECT_EQ(Writes(), Push({0x1, 0x1000, 0, 0}, 0x82));
}

TEST_F(RelayMatrix, RelayIsOnAnswersFromTheReadBack)
{
    SimSetStuckRelay(5, true);
    SimSetStuckRelay(6, false);
    bool on5 = false;
    bool on6 = true;
    bool on7 = true;
    CaptureStdout([&] {
        SetRelay(6, true);
        on5 = RelayIsOn(5);
        on6 = RelayIsOn(6);
        on7 = RelayIsOn(7);
    });
    EXPECT_TRUE(on5) << "stuck closed, never switched on";
    EXPECT_FALSE(on6) << "switched on, stuck open";
    EXPECT_FALSE(on7);

    SimClearLog();
    CaptureStdout([&] { on7 = RelayIsOn(1024); });
    EXPECT_FALSE(on7);
    EXPECT_TRUE(SimLog().empty());
}

TEST_F(RelayMatrix, ReadBoardRefusesBoardsOutsideTheMatrix)
{
    bool result = true;
    EXPECT_EQ(CaptureStdout([&] { result = ReadBoard(8); }), "ERROR: board 8 is out of range 0 to 7\n");
    EXPECT_FALSE(result);
    EXPECT_TRUE(SimLog().empty());
}

}  // namespace
