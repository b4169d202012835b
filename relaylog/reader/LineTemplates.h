// The lines the programs print, as a table of templates, and the matcher that
// reads one line against them. Internal to the reader.
#ifndef RELAYLOG_READER_LINETEMPLATES_H
#define RELAYLOG_READER_LINETEMPLATES_H

#include <cstdint>
#include <string_view>

#include "RecordReader.h"

namespace relaylog {

// Fills the line's kind and fields from text (its line end and polls already
// taken off). False when text is no line the programs print.
bool MatchLine(std::string_view text, RecordLine& line);

// True when start begins a line that carries free text: a command as typed,
// a file's name, a rule's words, where a run stopped.
bool CarriesText(std::string_view start);

// One busy-check poll, "  [[[ SPI Busy Check %02X ?? %08X ]]]  ".
bool MatchPoll(std::string_view text, std::uint32_t& address, std::uint32_t& value);

// The poll trace's fixed beginning and end, for finding polls in a stream.
inline constexpr std::string_view PollOpen = "  [[[ SPI Busy Check ";
inline constexpr std::string_view PollClose = " ]]]  ";

}  // namespace relaylog

#endif
