// relaysweep --deep under the worked station bench 3 with a relay stuck
// closed: every push of its deep passes is replayed from the record's
// register writes, and no state of the boards, with the stuck relay, ever
// breaks a rule of the wiring.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Child.h"
#include "Paths.h"
#include "Wiring.h"

namespace {

// Every push of the record ("100 << 0000008B", board 3, after its four data
// words), each board's words as pushed, handed to check; the number of pushes.
template <typename Check>
int ReplayPushes(const std::string& record, Check check)
{
    RelayBits pushed;
    std::uint32_t words[4] = {};
    int pushes = 0;
    for (std::size_t at = record.find("]]]  "); at != std::string::npos; at = record.find("]]]  ", at + 1)) {
        const std::string access = record.substr(at + 5, record.find('\n', at) - at - 5);
        if (access.size() < 15 || access.compare(3, 4, " << ") != 0)
            continue;
        const unsigned reg = static_cast<unsigned>(std::strtoul(access.substr(0, 3).c_str(), nullptr, 16));
        const auto value = static_cast<std::uint32_t>(std::strtoul(access.substr(7, 8).c_str(), nullptr, 16));
        if (reg >= 0x104 && reg <= 0x110) {
            words[(reg - 0x104) / 4] = value;
        } else if (reg == 0x100 && (value & 0x80u) != 0) {
            const std::size_t board = value & 7u;
            for (std::size_t c = 0; c < 128; ++c)
                pushed.set(board * 128 + c, ((words[c / 32] >> (c % 32)) & 1u) != 0);
            check(pushed);
            ++pushes;
        }
    }
    return pushes;
}

TEST(DeepSweepRun, NoPushBreaksARuleWithARelayStuckClosed)
{
    Wiring wiring;
    std::string error;
    ASSERT_TRUE(LoadWiring(ExamplePath("bench-3.toml"), wiring, error)) << error;
    ChildSpec run({RelaysweepPath(), "--wiring", ExamplePath("bench-3.toml"), "--yes", "--deep", "--boards", "2-3"},
                  {"RELAYSIM=stuck-on=258"});
    run.captureStderr = true;
    const ChildResult r = RunChild(run);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_NE(r.out.find("\nDeep pass: load\n"), std::string::npos);
    int broken = 0;
    const int pushes = ReplayPushes(r.out, [&](RelayBits closed) {
        closed.set(258);  // I+@J4.1, closed whatever was sent
        std::string breach;
        if (!StateKeepsRules(wiring, closed, 32, breach) && broken++ == 0)
            ADD_FAILURE() << breach;
    });
    EXPECT_GT(pushes, 2000);
    EXPECT_EQ(broken, 0);
    // 263 (0V@J4.1) would join I+ to 0V through the stuck relay: never closed.
    EXPECT_EQ(r.out.find("Turning on relay  263\n"), std::string::npos);
}

}  // namespace
