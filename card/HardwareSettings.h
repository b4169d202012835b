// Fixed settings of the card and its SPI controller, set when the program is
// built. Nothing changes them at run time.
#ifndef RELAYTEST_CARD_HARDWARESETTINGS_H
#define RELAYTEST_CARD_HARDWARESETTINGS_H

#include <cstdint>

namespace HardwareSettings {

inline constexpr std::int32_t CardNum = 0;              // card index for BAR access
inline constexpr std::uint8_t SpiBar = 2;               // BAR that holds the SPI window
inline constexpr std::int32_t SpiBase = 0x100;          // SPI window's byte offset in that BAR
inline constexpr std::int32_t SpiPort = 0;              // SPI port index
inline constexpr std::int32_t SpiPortStride = 0;        // byte distance between port windows
inline constexpr std::uint32_t SpiGoFlag = 0x80;        // ORed into the board index to send a board
inline constexpr std::uint32_t SpiBusyMask = 0x80000000u;  // busy bit of the SPI control register

}  // namespace HardwareSettings

#endif
