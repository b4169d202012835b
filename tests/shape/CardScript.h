// One run of the program against a card whose every answer comes from a byte
// string: the card count, the revision, each poll of the control register
// (busy runs up to and past the poll limit) and each data word read back. The
// same bytes choose what is run: the whole program, or a list of SetRelay,
// ReadBoard and RelayIsOn calls with any 32-bit numbers. The output is then
// checked with CheckOutputShape.
//
// Driven by the fuzz target with the fuzzer's input and by the property test
// with seeded random bytes.
#ifndef RELAYTEST_TESTS_CARDSCRIPT_H
#define RELAYTEST_TESTS_CARDSCRIPT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Layout: one mode byte, then the bytes its mode reads in the order the
// program asks. Bit 0 of the mode byte allows one long busy run (9990 to 10053
// polls) per case; the rest of it picks the mode (see CardScript.cpp). Bytes past the end read as
// zero: an idle controller and zero words.
//
// Returns an empty string when everything held, otherwise what went wrong.
std::string RunCardScript(const std::uint8_t* data, std::size_t size);

// How many modes the mode byte chooses among: (byte >> 1) % CardScriptModeCount().
std::size_t CardScriptModeCount();

#endif
