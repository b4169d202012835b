// The four operations of the card maker's driver library that this program
// uses. Declared here from what the program relies on, not from any header of
// the maker: every argument and result is a 32-bit integer.
//
// Exactly one implementation is linked into the program: the maker's library
// (through an import library on Windows) or the simulated card in sim/.
#ifndef RELAYTEST_CARD_DRIVER_H
#define RELAYTEST_CARD_DRIVER_H

#include <cstdint>

// Calling convention of the driver's exports. Empty for x64, where there is
// only one. A 32-bit Windows build against a library that exports __stdcall
// functions configures with -DDRIVER_CALL=__stdcall.
#ifndef DRIVER_CALL
#define DRIVER_CALL
#endif

extern "C" {

// Number of cards the driver found; 1 or more means a card is present.
std::int32_t DRIVER_CALL GetNumCards(void);

// 32-bit read at a byte offset relative to the card's base address.
std::uint32_t DRIVER_CALL RelInPortDWord(std::int32_t card, std::uint32_t offset);

// 32-bit read at a byte offset within one of the card's BARs.
std::uint32_t DRIVER_CALL InBAR32(std::int32_t card, std::int32_t bar, std::uint32_t offset);

// 32-bit write at a byte offset within one of the card's BARs. The value has
// reached the register when the call returns; the result carries nothing the
// program uses.
std::int32_t DRIVER_CALL OutBAR32(std::int32_t card, std::int32_t bar, std::uint32_t offset,
                                  std::uint32_t value);
}

#endif
