// The station's wiring: what is wired to each board's rows and columns, the
// crosspoints never to close, and the nets never to be joined. It is the
// station's, not a program's output: the programs that switch relays keep its
// rules, and relaylog speaks its names. This is its one reader.
//
// A wiring file is TOML:
//
//   max-closed-per-board = 12          # optional
//   rated-operations = 100000000       # optional: a relay's rated life, for the ledger
//   [[board]]
//   index = 2
//   rows = ["V+", "V-", "I+", "I-", "SCOPE_A", "SCOPE_B", "", "0V"]   # 8, "" unnamed
//   columns = ["J4.1", ..., "J4.16"]                                 # 16
//   [[exclusive]]
//   nets = ["I+", "0V"]                # never joined, directly or through closed relays
//   [[forbidden]]
//   crosspoints = ["2:4:7", "SCOPE_B@J5.2", "311"]
//   settle-ms = 5                      # optional: how long relays take to settle
//   [[bus]]
//   nets = ["ABUS1", "ABUS2"]          # nets that carry routes between boards
//   [[route]]
//   name = "dmm_vcc"
//   from = "DMM_HI"
//   to = "VCC"
//   via = ["0:0:15", "3:1:4"]          # optional: the path pinned, from `from`
//   settle-ms = 20                     # optional
//   [[group]]
//   name = "measure_vcc"
//   routes = ["dmm_vcc", "dmm_lo"]     # routes switched together
//
// A net is a board's row or column. Nets of the same name are one net, wired
// together outside the matrix; unnamed nets are each their own. Closing the
// relay at a crosspoint joins its row's net to its column's net.
#ifndef RELAYTEST_WIRING_WIRING_H
#define RELAYTEST_WIRING_WIRING_H

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int WiringBoards = 8;
inline constexpr int WiringRows = 8;
inline constexpr int WiringColumns = 16;
inline constexpr int WiringRelays = WiringBoards * WiringRows * WiringColumns;

// The most relays a board may hold closed when nothing else says: the
// programs' own limit, which a wiring file may lower but not raise.
inline constexpr int WiringMostClosedPerBoard = 32;

using RelayBits = std::bitset<WiringRelays>;

struct WiringExclusive {
    std::vector<int> nets;  // net ids, two or more
    int line = 0;
};

struct WiringForbidden {
    int relay = 0;
    std::string spelled;  // as the file gives it
    int line = 0;
};

// A route the wiring names: two ends (nets that are not buses) and, when
// pinned, the path between them, relay by relay from `from`.
struct WiringRoute {
    std::string name;
    int from = 0;  // net ids
    int to = 0;
    std::vector<int> via;  // empty: the path is found
    int settleMs = -1;     // -1: the station's
    int line = 0;
};

struct WiringGroup {
    std::string name;
    std::vector<int> routes;  // indexes into Wiring::routes
    int line = 0;
};

struct Wiring {
    std::string file;      // the name it was read from
    std::string shown;     // that name as the rules and messages give it: control bytes written \xHH
    std::string checksum;  // of its bytes: 16 upper-case hexadecimal digits
    int maxClosedPerBoard = 0;  // 0: the file sets none
    int maxClosedLine = 0;
    std::uint64_t ratedOperations = 0;  // a relay's rated life in operations; 0: the file sets none
    std::array<bool, WiringBoards> listed{};
    std::array<int, std::size_t{WiringBoards} * WiringRows> rowNet{};        // [board * 8 + row]
    std::array<int, std::size_t{WiringBoards} * WiringColumns> columnNet{};  // [board * 16 + column]
    std::vector<std::string> netNames;  // by net id; "" for an unnamed net
    std::vector<WiringExclusive> exclusives;
    std::vector<WiringForbidden> forbidden;
    int settleMs = 0;             // how long a relay takes to settle after a push
    std::vector<char> bus;        // by net id: 1 for a bus net
    std::vector<WiringRoute> routes;
    std::vector<WiringGroup> groups;
};

// A station with no file: every net unnamed, no rule.
Wiring EmptyWiring();

// Reads and checks a wiring file. False, with one line in error naming the
// file, the line and what is wrong ("bench-3.toml line 7: ..."), for anything
// that is not a wiring file as above.
bool LoadWiring(const std::string& path, Wiring& wiring, std::string& error);
// The same over text already read; name is what errors call it.
bool ParseWiring(std::string_view text, const std::string& name, Wiring& wiring, std::string& error);

// Relay numbering: relay 128b + 8c + r sits at row r, column c of board b.
constexpr int WiringRelayAt(int board, int row, int column) { return board * 128 + column * 8 + row; }
constexpr int WiringBoardOf(int relay) { return relay / 128; }
constexpr int WiringRowOf(int relay) { return relay % 128 % 8; }
constexpr int WiringColumnOf(int relay) { return relay % 128 / 8; }

int RowNetOf(const Wiring& wiring, int relay);
int ColumnNetOf(const Wiring& wiring, int relay);
// A net as an operator reads it: its name, or "board 2 row 6" when unnamed.
std::string NetName(const Wiring& wiring, int net);

// The net of that name; -1 when no row or column of a listed board has it.
int NetNamed(const Wiring& wiring, std::string_view name);
bool IsBus(const Wiring& wiring, int net);
// A route's settle time: its own, else the station's.
int RouteSettleMs(const Wiring& wiring, const WiringRoute& route);
// Whether relays, in order, join from to to: each joins the net the one
// before it reached to a next one, every net in the middle is a bus, and no
// net is passed twice. False, with the first fault in why, otherwise.
bool PathJoins(const Wiring& wiring, int from, int to, const std::vector<int>& relays, std::string& why);

// A crosspoint as typed: a relay number, "board:row:column", or "ROW@COLUMN"
// where exactly one crosspoint joins a row of that name to a column of that
// name. False, with the reason in error, otherwise.
bool ReadCrosspoint(const Wiring& wiring, std::string_view text, int& relay, std::string& error);

// "3:2:4", and "I+@J5.5" after it when both nets are named and name that
// crosspoint alone: "3:2:4 (I+@J5.5)".
std::string CrosspointName(const Wiring& wiring, int relay);

// The same with the names first, as a path of closed relays lists them:
// "I+@J5.5 (3:2:4)".
std::string PathCrosspointName(const Wiring& wiring, int relay);

// "relay 311 (board 2, row 7 0V, column 6 J4.7)": the names only where given.
std::string RelayName(const Wiring& wiring, int relay);

// The rules against a close: closed is what the boards hold, request the
// relays to close, limit the most a board may hold (the file's own, when
// lower, wins). False, with the one rule broken in refusal, when the close
// would close a forbidden crosspoint, join two nets of an exclusive set by any
// path of closed relays, or leave a board over its limit. A relay whose row
// and column are one net joins nothing.
bool CheckClose(const Wiring& wiring, const RelayBits& closed, const RelayBits& request, int limit,
                std::string& refusal);

// The most relays a board may hold closed: the file's max-closed-per-board
// when it is lower than the program's limit, else the program's; rule gets
// " (max-closed-per-board, bench-3.toml line 2)" when the file's wins, else "".
int BoardLimit(const Wiring& wiring, int limit, std::string& rule);

// The board limit, the one check of it: the first board that closing request
// while closed are closed would leave over its limit (BoardLimit's), counting
// only boards the request adds to; with request empty, the first board that
// closed alone leaves over it. False when none.
struct BoardOverLimit {
    int board = -1;
    int adding = 0;  // relays the request adds on it
    int total = 0;   // closed on it after the request
    int limit = 0;
    std::string rule;  // BoardLimit's
};
bool OverBoardLimit(const Wiring& wiring, const RelayBits& closed, const RelayBits& request, int limit,
                    BoardOverLimit& over);
// "closing 2 relays of board 0 would leave 33 closed, above the limit of 32",
// or, with nothing added, "board 0 holds 40 relays closed, above the limit of 32".
std::string OverLimitText(const BoardOverLimit& over);

// Whether what the boards hold already breaks a rule; the first broken one in
// breach.
bool StateKeepsRules(const Wiring& wiring, const RelayBits& closed, int limit, std::string& breach);

#endif
