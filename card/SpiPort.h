// The SPI controller's register window in the card's BAR, and the busy poll
// that comes before every access to it.
//
// Window offsets: 0 control, 4/8/12/16 the four data words of a board.
// Writing control with the go flag sends the data words to the addressed
// board; without it, the board's relays are fetched into the data words.
#ifndef RELAYTEST_CARD_SPIPORT_H
#define RELAYTEST_CARD_SPIPORT_H

#include <cstdint>

inline constexpr std::uint32_t SpiControl = 0;
inline constexpr std::uint32_t SpiData0 = 4;

// Polls per wait before the controller is used regardless.
inline constexpr int SpiWaitLimit = 10000;

// One traced poll of the busy bit; true while the controller is busy.
bool SpiBusy();

// Polls until the controller is not busy, at most SpiWaitLimit times. Gives up
// silently: the caller then goes ahead as if it were ready.
void SpiWaitReady();

// How many waits in a row have run out their SpiWaitLimit polls: a wait that
// finds the controller ready sets it back to 0. relaytest never looks at it;
// the other programs stop once the controller has stayed busy too long.
int SpiWaitsRunOut();

// Back to none run out: for tests that run many bodies in one process.
void ForgetSpiWaits();

std::uint32_t SpiRead(std::uint32_t reg);
void SpiWrite(std::uint32_t reg, std::uint32_t value);

#endif
