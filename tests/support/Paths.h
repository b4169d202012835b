// Where the tests find the programs they run, the golden transcripts and the
// documentation's example files.
#ifndef RELAYTEST_TESTS_SUPPORT_PATHS_H
#define RELAYTEST_TESTS_SUPPORT_PATHS_H

#include <string>

std::string RelaytestPath();
std::string RelaylogPath();
std::string RelaysweepPath();
std::string RelayctlPath();
std::string GoldenPath(const std::string& name);
// A file of docs/examples, such as the worked station's bench-3.toml.
std::string ExamplePath(const std::string& name);

#endif
