// The refresh: bring the surface's lights in line with the host, sending only
// what changed; and the two-digit display.
#include "tavrel.h"

using namespace midi;

void CTavrel::SyncSurface() {
  // Filled in with the refresh rules.
}

// Shows a byte as two hexadecimal digits, high digit on the left.
void CTavrel::ShowTwoDigits(int8_t value) {
  const auto bits = static_cast<uint8_t>(value);
  Send(STATUS_CH15, DIGIT_LEFT, HighDigit(bits));
  Send(STATUS_CH15, DIGIT_RIGHT, LowDigit(bits));
}
