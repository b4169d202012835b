// The wiring reader's own tools, shared by its files: the file's first fault
// ends the reading, said once with its line.
#ifndef RELAYTEST_WIRING_WIRINGREADING_H
#define RELAYTEST_WIRING_WIRINGREADING_H

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "Wiring.h"

// What went wrong, and where: the first fault ends the reading.
struct Reading {
    Wiring& wiring;  // its shown name leads every fault
    std::string& error;
    std::map<std::string, int> nets;  // named nets by name
    bool needBoard = true;            // a file must list a board; the station with no file lists none
};

// Text from a file or a command line as a message gives it: its control
// bytes written \xHH, so that no name can move the cursor or forge a line.
std::string ShownText(const std::string& text);
// "NAME line N: what", with control bytes written \xHH; always false.
bool Fail(Reading& r, std::uint32_t line, const std::string& what);
std::uint32_t LineOf(const toml::node& node);
// A TOML integer only; else "KEY must be WHAT, not ..." at its line.
bool ReadWhole(Reading& r, const toml::node& node, const char* key, const char* what, std::int64_t& value);
// A name starts with a letter or a digit, holds letters, digits and _ . + -,
// and is not a number alone.
bool GoodName(const std::string& name);
// Only the keys a table may hold; where is " in [[board]]" or "".
bool OnlyKeys(Reading& r, const toml::table& table, std::initializer_list<const char*> keys, const char* where);

// The key a line gives a value to; "" when none.
std::string KeyOnLine(std::string_view text, std::uint32_t line);
// Non-ASCII bytes of comments blanked; the line of the first one outside a
// comment, or 0.
std::uint32_t KeepAscii(std::string& text);
// FNV-1a of the bytes, 16 upper-case hexadecimal digits.
std::string Checksum(std::string_view text);

// settle-ms, [[bus]], [[route]] and [[group]], after the boards and their nets.
bool ReadRouting(Reading& r, const toml::table& top);

#endif
