// Card detection and traced 32-bit register access in the SPI controller's BAR.
// Every read and write prints one trace line, so the console shows every value
// that crosses the bus.
#ifndef RELAYTEST_CARD_BARACCESS_H
#define RELAYTEST_CARD_BARACCESS_H

#include <cstdint>

// True when the driver found at least one card.
bool CardPresent();

// Reads a register and prints "OFFSET ?? VALUE".
std::uint32_t BarRead32(std::uint32_t offset);

// Writes a register and prints "OFFSET << VALUE".
void BarWrite32(std::uint32_t offset, std::uint32_t value);

#endif
