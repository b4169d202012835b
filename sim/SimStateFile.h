// The platform's part of sharing the state file between programs: the
// simulated card's own lock, a file beside the state file (PATH + ".lock"),
// held while a program reads or changes the state; and putting a new state
// file in place of the old in one step, so that no reader ever sees it torn.
#ifndef RELAYTEST_SIM_SIMSTATEFILE_H
#define RELAYTEST_SIM_SIMSTATEFILE_H

#include <string>

// Waits for the lock of the state file at path. False, with a reason naming
// the lock file, when it cannot be made or opened.
bool LockSimStateFile(const std::string& path, std::string& error);
void UnlockSimStateFile();

// Puts the file at from in place of the file at to, in one step. False, with
// a reason, when it cannot.
bool ReplaceSimStateFile(const std::string& from, const std::string& to, std::string& error);

#endif
