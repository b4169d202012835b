// The worked station of bench 3 (docs/examples/bench-3.toml without its
// comments) for the in-process tests: boards 2 and 3 share their rows, board
// 3's last column is 0V, I+ and 0V must never meet (line 13), 2:4:7 and
// SCOPE_B@J5.2 are forbidden (line 15), at most 12 closed a board (line 1).
#ifndef RELAYTEST_TESTS_SUPPORT_BENCH3WIRING_H
#define RELAYTEST_TESTS_SUPPORT_BENCH3WIRING_H

inline constexpr const char* Bench3Wiring = R"(max-closed-per-board = 12
[[board]]
index = 2
rows = ["V+", "V-", "I+", "I-", "SCOPE_A", "SCOPE_B", "", "0V"]
columns = ["J4.1", "J4.2", "J4.3", "J4.4", "J4.5", "J4.6", "J4.7", "J4.8",
           "J4.9", "J4.10", "J4.11", "J4.12", "J4.13", "J4.14", "J4.15", "J4.16"]
[[board]]
index = 3
rows = ["V+", "V-", "I+", "I-", "SCOPE_A", "SCOPE_B", "", "0V"]
columns = ["J5.1", "J5.2", "J5.3", "J5.4", "J5.5", "J5.6", "J5.7", "J5.8",
           "J5.9", "J5.10", "J5.11", "J5.12", "J5.13", "J5.14", "J5.15", "0V"]
[[exclusive]]
nets = ["I+", "0V"]
[[forbidden]]
crosspoints = ["2:4:7", "SCOPE_B@J5.2"]
)";

#endif
