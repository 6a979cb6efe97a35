// Pan and send knobs: pick up the knob strip's value, then write it.
#include "tavrel.h"

using namespace midi;

void CTavrel::OnPanKnob(uint8_t) {}
void CTavrel::OnSendKnob(uint8_t, uint8_t) {}
