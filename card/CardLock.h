// The card is one device: two programs driving its SPI window at once would
// interleave their data words and go flags, and each would push boards the
// other had just changed. Every program that touches the card holds this lock
// from before its first driver call to after its last one.
//
// The lock is one the operating system keeps (flock on POSIX, a named mutex on
// Windows): it is free the moment its holder ends, however it ends, so there
// is never a stale lock to remove by hand. One implementation per platform,
// chosen by the build.
//
// Where it is: the environment variable RELAYTEST_LOCK names it (a file on
// POSIX, an object name on Windows); without it, one fixed name for the
// machine's card. The tests give each run a lock of its own unless they mean
// two runs to share a card.
#ifndef RELAYTEST_CARD_CARDLOCK_H
#define RELAYTEST_CARD_CARDLOCK_H

#include <cstdio>

// Wait for as long as it takes.
inline constexpr int WaitForever = -1;

enum class CardLockResult {
    Taken,     // this process holds the card until ReleaseCard or its end
    TimedOut,  // another program held it for all of waitSeconds
    Failed,    // the lock itself could not be made or opened (CardLockProblem says why)
};

// Told once when TakeCard must wait: the holder as CardHolder names it, and
// how long it waits (WaitForever: no limit). The caller words it.
using CardWaitNotice = void (*)(const char* holder, int waitSeconds);

// Takes the card for this program, named as others will be told ("relaysweep").
// When another program holds it, tells notice (when given, and waitSeconds is
// not 0) which program holds it, its process id and since when, then waits up
// to waitSeconds (WaitForever: no limit; 0: not at all) for it. Prints
// nothing and touches no register. Taking it again while this process holds
// it is Taken at once.
CardLockResult TakeCard(const char* program, int waitSeconds, CardWaitNotice notice = nullptr);

// Why the last TakeCard that Failed could not use the lock:
//   the card lock "/tmp/relaytest-card0.lock" cannot be used: it is a symbolic link
const char* CardLockProblem();

// The holder seen by the last TakeCard that had to wait, as the wait line
// names it: "relayctl (process 1234) since 2026-12-09 07:45:12". Empty when
// TakeCard found the card free.
const char* CardHolder();

// Lets the card go. Harmless when it is not held.
void ReleaseCard();

#endif
