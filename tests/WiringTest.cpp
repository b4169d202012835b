// The wiring reader and its rules, on the worked station of bench 3: boards 2
// and 3 share their rows, board 3's last column is 0V, I+ and 0V must never
// meet, and two crosspoints are forbidden.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "Bench3Wiring.h"
#include "CaseName.h"
#include "Wiring.h"

namespace {

const char* const Bench3 = Bench3Wiring;

Wiring Station()
{
    Wiring wiring;
    std::string error;
    EXPECT_TRUE(ParseWiring(Bench3, "bench-3.toml", wiring, error)) << error;
    return wiring;
}

int Relay(const Wiring& wiring, const char* text)
{
    int relay = -1;
    std::string error;
    EXPECT_TRUE(ReadCrosspoint(wiring, text, relay, error)) << text << ": " << error;
    return relay;
}

RelayBits Relays(const Wiring& wiring, const std::vector<const char*>& texts)
{
    RelayBits bits;
    for (const char* text : texts)
        bits.set(static_cast<std::size_t>(Relay(wiring, text)));
    return bits;
}

struct Broken {
    const char* name;
    const char* text;
    std::string error;  // the whole line
};

const std::string Limit = "a number from 1 to 32, not ";
const std::string Beyond64 = "Error while parsing decimal integer: '99999999999999999999' is not representable in 64 bits";
const std::string NoBoard = "sets nothing: a wiring file lists the boards the station wires, or its rules";

class BrokenWiring : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenWiring, IsRefusedWithItsLine)
{
    Wiring wiring;
    std::string error;
    EXPECT_FALSE(ParseWiring(GetParam().text, "w.toml", wiring, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenWiring,
    ::testing::Values(
        Broken{"BadToml", "[[board]\nindex = 2\n", "w.toml line 1: Error while parsing table header: expected ']', saw '\\n'"},
        Broken{"UnknownKey", "max-closed = 3\n", "w.toml line 1: unknown key \"max-closed\""},
        Broken{"UnknownBoardKey", "[[board]]\nindex = 1\nrow = []\n", "w.toml line 3: unknown key \"row\" in [[board]]"},
        Broken{"NoIndex", "[[board]]\nrows = []\n", "w.toml line 1: [[board]] needs index = a board number 0-7"},
        Broken{"BoardOutOfRange", "[[board]]\nindex = 8\n", "w.toml line 2: board 8 is outside 0-7"},
        Broken{"BoardTwice", "[[board]]\nindex = 1\n[[board]]\nindex = 1\n", "w.toml line 3: board 1 is listed twice"},
        Broken{"SevenRows", "[[board]]\nindex = 0\nrows = [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\"]\n",
               "w.toml line 3: rows must be a list of 8 names"},
        Broken{"BadName", "[[board]]\nindex = 0\nrows = [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"-5V\",\"12\"]\n",
               "w.toml line 3: \"-5V\" is not a name: a name starts with a letter or digit, holds letters, digits "
               "and _ . + -, and is not a number"},
        Broken{"NumberAsName", "[[board]]\nindex = 0\nrows = [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"0V\",\"12\"]\n",
               "w.toml line 3: \"12\" is not a name: a name starts with a letter or digit, holds letters, digits "
               "and _ . + -, and is not a number"},
        Broken{"ExclusiveNamesNothing", "[[exclusive]]\nnets = [\"I+\", \"0V\"]\n",
               "w.toml line 2: \"I+\" names no row or column of a listed board"},
        Broken{"ExclusiveOfOne",
               "[[board]]\nindex = 0\nrows = [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\"]\n[[exclusive]]\nnets = [\"a\"]\n",
               "w.toml line 5: [[exclusive]] needs two or more nets"},
        Broken{"ForbiddenOutOfRange", "[[forbidden]]\ncrosspoints = [\"2:8:0\"]\n",
               "w.toml line 2: \"2:8:0\": row 8 is outside 0-7"},
        Broken{"ForbiddenNamesNothing", "[[forbidden]]\ncrosspoints = [\"A@B\"]\n",
               "w.toml line 2: \"A@B\": no crosspoint joins a row of the first name to a column of the second"},
        Broken{"NotAscii", "# 10 k\xCE\xA9 is fine here\n[[board]]\nindex = 0\nrows = [\"\xCE\xA9\"]\n",
               "w.toml line 4: a character that is not ASCII outside a comment: names and keys are plain ASCII"},
        Broken{"LimitTooHigh", "max-closed-per-board = 33\n", "w.toml line 1: max-closed-per-board must be a number from 1 to 32"},
        // toml++ would take each of these as an integer, 5e40 beyond any.
        Broken{"LimitOfAPoint", "max-closed-per-board = 2.0\n", "w.toml line 1: max-closed-per-board must be " + Limit + "a floating-point number"},
        Broken{"LimitOfAnExponent", "\nmax-closed-per-board = 2e0\n", "w.toml line 2: max-closed-per-board must be " + Limit + "a floating-point number"},
        Broken{"LimitBeyondAnyInteger", "max-closed-per-board = 5e40\n", "w.toml line 1: max-closed-per-board must be " + Limit + "a floating-point number"},
        Broken{"LimitTrue", "max-closed-per-board = true\n", "w.toml line 1: max-closed-per-board must be " + Limit + "true or false"},
        Broken{"LimitBeyond64Bits", "max-closed-per-board = 99999999999999999999\n", "w.toml line 1: max-closed-per-board: " + Beyond64},
        Broken{"IndexOfAPoint", "[[board]]\nindex = 2.0\n", "w.toml line 2: index must be a board number 0-7, not a floating-point number"},
        Broken{"ExclusiveNamesANetTwice", "[[board]]\nindex = 0\nrows = [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\"]\n[[exclusive]]\nnets = [\"a\", \"b\", \"a\"]\n",
               "w.toml line 5: [[exclusive]] names a twice"},
        Broken{"RatedTooLow", "max-closed-per-board = 9\nrated-operations = 999\n",
               "w.toml line 2: rated-operations must be a number from 1000 to 1000000000000"},
        Broken{"RatedOfAnExponent", "rated-operations = 1e8\n",
               "w.toml line 1: rated-operations must be a number from 1000 to 1000000000000, not a floating-point number"},
        Broken{"RatedAloneSetsNothing", "rated-operations = 100000000\n", "w.toml line 1: " + NoBoard},
        Broken{"Empty", "", "w.toml line 1: " + NoBoard},
        Broken{"OnlyComments", "# bench 4: to be wired\n\n", "w.toml line 1: " + NoBoard}),
    ByName());

TEST(Wiring, CrosspointsByNumberPlaceOrNames)
{
    const Wiring w = Station();
    EXPECT_EQ(Relay(w, "I+@J5.5"), WiringRelayAt(3, 2, 4));
    EXPECT_EQ(Relay(w, "3:2:4"), WiringRelayAt(3, 2, 4));
    EXPECT_EQ(Relay(w, "420"), 420);
    EXPECT_EQ(Relay(w, "0V@0V"), WiringRelayAt(3, 7, 15));
    int relay = 0;
    std::string error;
    EXPECT_FALSE(ReadCrosspoint(w, "1024", relay, error));
    EXPECT_EQ(error, "\"1024\": relay 1024 is outside 0-1023");
    EXPECT_EQ(CrosspointName(w, WiringRelayAt(3, 7, 4)), "3:7:4 (0V@J5.5)");
    EXPECT_EQ(CrosspointName(w, WiringRelayAt(2, 6, 0)), "2:6:0");
    EXPECT_EQ(RelayName(w, 311), "relay 311 (board 2, row 7 0V, column 6 J4.7)");
    EXPECT_EQ(RelayName(w, 5), "relay 5 (board 0, row 5, column 0)");
    EXPECT_EQ(w.checksum.size(), 16u);
    Wiring saved;
    std::string error2;
    EXPECT_TRUE(ParseWiring("\xEF\xBB\xBF# saved with a mark, 10 k\xCE\xA9\n" + std::string(Bench3), "b.toml", saved, error2))
        << error2;
}

struct Close {
    const char* name;
    std::vector<const char*> closed;
    std::vector<const char*> request;
    const char* refusal;  // empty: allowed
};

class CloseRules : public ::testing::TestWithParam<Close> {};

TEST_P(CloseRules, RefuseWhatBreaksARule)
{
    const Wiring w = Station();
    std::string refusal;
    const bool allowed = CheckClose(w, Relays(w, GetParam().closed), Relays(w, GetParam().request), 32, refusal);
    EXPECT_EQ(refusal, GetParam().refusal);
    EXPECT_EQ(allowed, refusal.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Station, CloseRules,
    ::testing::Values(
        Close{"OneCrosspoint", {}, {"I+@J5.5"}, ""},
        Close{"JoinedDirectly", {"I+@J5.5"}, {"0V@J5.5"},
              "closing 3:7:4 (0V@J5.5) would join I+ and 0V: I+@J5.5 (3:2:4) is closed (exclusive, bench-3.toml "
              "line 13)"},
        Close{"JoinedInOneRequest", {}, {"I+@J5.5", "0V@J5.5"},
              "closing 3:7:4 (0V@J5.5) would join I+ and 0V: I+@J5.5 (3:2:4) is closed (exclusive, bench-3.toml "
              "line 13)"},
        Close{"ThreeRelaysAcrossBoardsThroughTheSharedRow", {"I+@J4.1", "V+@J4.1"}, {"V+@0V"},
              "closing 3:0:15 (V+@0V) would join I+ and 0V: I+@J4.1 (2:2:0) and V+@J4.1 (2:0:0) are closed "
              "(exclusive, bench-3.toml line 13)"},
        Close{"ThroughTheLastColumn", {}, {"I+@0V"},
              "closing 3:2:15 (I+@0V) would join I+ and 0V (exclusive, bench-3.toml line 13)"},
        Close{"SameNetJoinsNothing", {"I+@J4.1"}, {"0V@0V"}, ""},
        Close{"ForbiddenByNumber", {}, {"316"}, "closing 2:4:7 (SCOPE_A@J4.8) is forbidden (forbidden, bench-3.toml line 15)"},
        Close{"ForbiddenByPlace", {}, {"2:4:7"}, "closing 2:4:7 (SCOPE_A@J4.8) is forbidden (forbidden, bench-3.toml line 15)"},
        Close{"ForbiddenByNames", {}, {"SCOPE_B@J5.2"},
              "closing 3:5:1 (SCOPE_B@J5.2) is forbidden (forbidden, bench-3.toml line 15)"},
        Close{"OverTheFilesLimit", {}, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
              "closing 13 relays of board 0 would leave 13 closed, above the limit of 12 (max-closed-per-board, "
              "bench-3.toml line 1)"}),
    ByName());

TEST(Wiring, StateThatAlreadyBreaksARuleIsNamed)
{
    const Wiring w = Station();
    std::string breach;
    EXPECT_TRUE(StateKeepsRules(w, Relays(w, {"I+@J5.5", "V+@J4.1"}), 32, breach)) << breach;
    EXPECT_FALSE(StateKeepsRules(w, Relays(w, {"I+@J5.5", "0V@J5.5"}), 32, breach));
    EXPECT_EQ(breach, "I+ and 0V are joined: I+@J5.5 (3:2:4) and 0V@J5.5 (3:7:4) are closed (exclusive, "
                      "bench-3.toml line 13)");
    EXPECT_FALSE(StateKeepsRules(w, Relays(w, {"2:4:7"}), 32, breach));
    EXPECT_EQ(breach, "2:4:7 (SCOPE_A@J4.8) is closed, and it is forbidden (forbidden, bench-3.toml line 15)");
}

// Only a regular file of at most 1 MiB is read (devices, FIFOs: WiringRunTest).
TEST(Wiring, LoadsARegularFileOfAWiringFilesSizeOnly)
{
    const std::string huge = "wiring-huge-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::FILE* file = std::fopen(huge.c_str(), "wb");
    ASSERT_TRUE(file != nullptr && std::fputs(std::string((1u << 20) + 1, '#').c_str(), file) >= 0 && std::fclose(file) == 0);
    Wiring wiring;
    std::string error;
    for (const auto& [path, why] : {std::pair<std::string, const char*>{huge, "larger than 1 MiB, not a wiring file"},
                                    {".", "not a regular file (a directory)"}}) {
        EXPECT_FALSE(LoadWiring(path, wiring, error));
        EXPECT_EQ(error, path + ": " + why);
    }
    (void)std::remove(huge.c_str());
}

// A relay's rated life, for the ledger's share of it: the file's, or none.
TEST(Wiring, RatedOperationsIsReadWhenGiven)
{
    const struct {
        const char* text;
        std::uint64_t rated;
    } files[] = {{"rated-operations = 1000000000\nmax-closed-per-board = 12\n", 1000000000},
                 {"max-closed-per-board = 12\nrated-operations = 1_000\n", 1000},
                 {Bench3, 0}};
    for (const auto& file : files) {
        Wiring wiring;
        std::string error;
        EXPECT_TRUE(ParseWiring(file.text, "w.toml", wiring, error)) << error;
        EXPECT_EQ(wiring.ratedOperations, file.rated) << file.text;
    }
    EXPECT_EQ(EmptyWiring().ratedOperations, 0U);
}

TEST(Wiring, NoFileMeansNoRule)
{
    const Wiring w = EmptyWiring();
    std::string refusal;
    EXPECT_TRUE(CheckClose(w, RelayBits(), Relays(w, {"0", "1", "127"}), 32, refusal)) << refusal;
    EXPECT_EQ(NetName(w, RowNetOf(w, 130)), "board 1 row 2");
}

}  // namespace
