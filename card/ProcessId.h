// This process's id, as the operating system numbers it: the card lock names
// its holder by it, and a library session remembers the process that opened
// it, so that a forked child never acts on its parent's session. One
// implementation per platform, chosen by the build.
#ifndef RELAYTEST_CARD_PROCESSID_H
#define RELAYTEST_CARD_PROCESSID_H

long ThisProcessId();

#endif
