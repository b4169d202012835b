// The one grammar of boards (relay/RelayList.h) and of relays
// (station/RelayNames.h): what each list holds, and the one wording of each
// mistake.
#include <gtest/gtest.h>

#include "CaseName.h"
#include "RelayList.h"
#include "RelayNames.h"

namespace {

struct ListCase {
    const char* name;
    bool relays;          // a relay list; otherwise a board list
    std::string text;
    std::vector<int> held;  // the boards or relays it holds, when accepted
    std::string error;      // the mistake, when refused
};
void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class Lists : public ::testing::TestWithParam<ListCase> {};

const std::string NotABoard = " is not a board: use a number 0-7 or a range, such as 0-7 or 0,2-3";
const std::string NotARelay =
    " is not a relay: use a number 0-1023, a range such as 100-107, or board:row:column such as 0:4:12";

TEST_P(Lists, HoldWhatTheySayOrNameTheMistake)
{
    const ListCase& c = GetParam();
    std::string error;
    std::vector<int> held;
    bool accepted = false;
    if (c.relays) {
        RelaySet relays;
        relays.set(1000);  // a list adds to what is there
        const Wiring none = EmptyWiring();
        accepted = ReadRelayNames(RelayNaming{none, false, false}, c.text, relays, error);
        EXPECT_TRUE(relays.test(1000));
        relays.reset(1000);
        for (std::size_t r = 0; r < relays.size(); ++r)
            if (relays.test(r))
                held.push_back(static_cast<int>(r));
    } else {
        BoardSet boards = 0x80;
        accepted = ParseBoardList(c.text.c_str(), boards, error);
        for (int b = 0; b < BoardCount; ++b)
            if (InSet(boards, b))
                held.push_back(b);
        if (!accepted) {
            EXPECT_EQ(boards, 0x80) << "a refused list changes nothing";
        }
    }
    EXPECT_EQ(accepted, c.error.empty()) << error;
    EXPECT_EQ(error, c.error);
    if (accepted) {
        EXPECT_EQ(held, c.held);
    }
}

INSTANTIATE_TEST_SUITE_P(
    RelayList, Lists,
    ::testing::Values(
        ListCase{"Boards", false, "0,2-3", {0, 2, 3}, ""}, ListCase{"AllBoards", false, "0-7", {0, 1, 2, 3, 4, 5, 6, 7}, ""},
        ListCase{"BoardOutside", false, "0,9", {}, "board 9 is outside 0-7"},
        ListCase{"BoardRangeOutside", false, "6-12", {}, "board 12 is outside 0-7"},
        ListCase{"BoardReversed", false, "5-2", {}, "the range 5-2 is reversed (write 2-5)"},
        ListCase{"BoardCrosspoint", false, "0:1:2", {}, "\"0:1:2\"" + NotABoard},
        ListCase{"BoardEmptyItem", false, "1,", {}, "\"\"" + NotABoard},
        ListCase{"BoardControlByte", false, "1\t", {}, "\"1\\x09\"" + NotABoard},
        ListCase{"Relays", true, "0,5,100-102", {0, 5, 100, 101, 102}, ""},
        ListCase{"Crosspoints", true, "0:4:12,7:7:15", {100, 1023}, ""},
        ListCase{"RelayOutside", true, "5,1024", {}, "relay 1024 is outside 0-1023"},
        ListCase{"HugeRelay", true, "99999999999", {}, "relay 99999999999 is outside 0-1023"},
        ListCase{"RelayReversed", true, "107-100", {}, "the range 107-100 is reversed (write 100-107)"},
        ListCase{"ColumnOutside", true, "0:1:16", {}, "column 16 is outside 0-15"},
        ListCase{"CrosspointCut", true, "0:1", {}, "\"0:1\"" + NotARelay},
        ListCase{"CrosspointRange", true, "0:1:2-3", {}, "\"0:1:2-3\"" + NotARelay},
        ListCase{"Blanks", true, " 5 7,9\t0:4:12 ", {5, 7, 9, 100}, ""},
        ListCase{"EmptyItem", true, "5,,6", {}, "\"\"" + NotARelay},
        ListCase{"Nothing", true, "  ", {}, "no relays named"},
        ListCase{"AllNotHere", true, "all", {}, "\"all\"" + NotARelay},
        ListCase{"NameWithoutWiring", true, "I+@J4.1", {},
                 "\"I+@J4.1\": a crosspoint by the station's names, but no wiring file is in use (give --wiring FILE "
                 "or set RELAYTEST_WIRING)"},
        // A control byte anywhere refuses the whole text, echoed escaped: an
        // escape sequence or a line end cannot reach the terminal.
        ListCase{"Escaped", true, "5,\x1b[1m\\", {}, "\"5,\\x1B[1m\\\\\": holds a control character"},
        ListCase{"ForgedLine", true, "I+@J4.1\x1b[31mX\nrelayctl: 1 relay closed", {},
                 "\"I+@J4.1\\x1B[31mX\\x0Arelayctl: 1 relay closed\": holds a control character"}),
    ByName{});

}  // namespace
