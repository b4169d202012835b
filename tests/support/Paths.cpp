#include "Paths.h"

// The build defines these once, for this file alone.
std::string RelaytestPath() { return RELAYTEST_EXE; }
std::string RelaylogPath() { return RELAYLOG_EXE; }
std::string RelaysweepPath() { return RELAYSWEEP_EXE; }
std::string RelayctlPath() { return RELAYCTL_EXE; }
std::string GoldenPath(const std::string& name) { return std::string(GOLDEN_DIR) + "/" + name; }
std::string ExamplePath(const std::string& name) { return std::string(EXAMPLES_DIR) + "/" + name; }
