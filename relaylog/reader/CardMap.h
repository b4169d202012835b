// The card as relaylog sees it through a record: the SPI controller's window
// in BAR 2, the poll limit, and how the 1,024 relays map onto boards, data
// words and crosspoints. The reader and the checker both judge records
// against this one map, kept apart from the relay system's own headers: the
// judge does not take the system's word for what the card is.
#ifndef RELAYLOG_READER_CARDMAP_H
#define RELAYLOG_READER_CARDMAP_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace relaylog {

inline constexpr int Boards = 8;
inline constexpr int Rows = 8;
inline constexpr int Columns = 16;
inline constexpr int RelaysPerBoard = Rows * Columns;
inline constexpr int Relays = Boards * RelaysPerBoard;
inline constexpr int WordsPerBoard = 4;  // 32 relays a data word

// A wait polls until the controller reads idle, or this many times.
inline constexpr std::uint64_t PollLimit = 10000;

inline constexpr std::uint32_t ControlRegister = 0x100;
inline constexpr std::uint32_t DataRegister[WordsPerBoard] = {0x104, 0x108, 0x10C, 0x110};
// Control with the go flag sends the data words to the board in its low
// bits; control with the bare board number fetches that board into them.
inline constexpr std::uint32_t GoFlag = 0x80;
// Control reads with this bit set while the controller is busy.
inline constexpr std::uint32_t BusyBit = 0x80000000u;

using Words = std::array<std::uint32_t, WordsPerBoard>;

// Relay c of a board is bit c % 32 of data word c / 32.
inline std::uint32_t& WordOf(Words& words, int c) { return words[static_cast<std::size_t>(c / 32)]; }
constexpr std::uint32_t MaskOf(int c) { return 1u << (c % 32); }
inline bool Bit(const Words& words, int c) { return (words[static_cast<std::size_t>(c / 32)] & MaskOf(c)) != 0; }

// A relay number split into its board and its crosspoint on that board;
// crosspoint c joins row c % 8 to column c / 8.
template <typename Int> constexpr Int BoardOf(Int relay) { return relay / RelaysPerBoard; }
template <typename Int> constexpr Int CrosspointOf(Int relay) { return relay % RelaysPerBoard; }
template <typename Int> constexpr Int RowOf(Int relay) { return CrosspointOf(relay) % Rows; }
template <typename Int> constexpr Int ColumnOf(Int relay) { return CrosspointOf(relay) / Rows; }

}  // namespace relaylog

#endif
