// Where the tests find the programs they run and the golden transcripts.
#ifndef RELAYTEST_TESTS_SUPPORT_PATHS_H
#define RELAYTEST_TESTS_SUPPORT_PATHS_H

#include <string>

std::string RelaytestPath();
std::string RelaylogPath();
std::string RelaysweepPath();
std::string RelayctlPath();
std::string GoldenPath(const std::string& name);

#endif
