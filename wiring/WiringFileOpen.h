// A wiring file's bytes, read the one way every tool reads it: only from a
// regular file, without ever waiting on what is not one (a FIFO with no
// writer, a terminal), and never more than a wiring file could hold. One
// implementation per platform, chosen by the build.
#ifndef RELAYTEST_WIRING_WIRINGFILEOPEN_H
#define RELAYTEST_WIRING_WIRINGFILEOPEN_H

#include <cstddef>
#include <string>

// Up to most bytes of the regular file at path in text (more are left
// unread). False, with why ("not a regular file (a directory)", or the
// system's reason such as "No such file or directory"), for anything else.
bool ReadWiringBytes(const std::string& path, std::size_t most, std::string& text, std::string& why);

#endif
