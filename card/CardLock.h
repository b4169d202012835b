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
    Failed,    // the lock itself could not be made or opened (reason on standard error)
};

// Takes the card for this program, named as others will be told ("relaysweep").
// When another program holds it, says once on standard error which program
// holds it, its process id and since when, then waits up to waitSeconds
// (WaitForever: no limit; 0: not at all, and then says nothing: the caller's
// timeout line names the holder) for it:
//   relayctl: the card is held by relaysweep (process 1234) since 2026-12-09 07:45:12; waiting up to 60 s for it
// A lock that cannot be used is said on standard error too:
//   relayctl: the card lock "/tmp/relaytest-card0.lock" cannot be used: it is a symbolic link
// Prints nothing on standard output and touches no register. Taking it again
// while this process holds it is Taken at once.
CardLockResult TakeCard(const char* program, int waitSeconds);

// The holder seen by the last TakeCard that had to wait, as the wait line
// names it: "relayctl (process 1234) since 2026-12-09 07:45:12". Empty when
// TakeCard found the card free.
const char* CardHolder();

// Where TakeCard's lines go: standard error unless set (null: nowhere).
void SetCardLockMessages(std::FILE* stream);

// The last line TakeCard said (or would have said), without its line end.
const char* LastCardLockMessage();

// Lets the card go. Harmless when it is not held.
void ReleaseCard();

#endif
