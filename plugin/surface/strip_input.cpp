// Channel-strip input: faders with their pick-up rule and automatic
// selection, mute/record-arm/solo, automation arm, select and knob-strip.
#include "tavrel.h"

using namespace midi;

void CTavrel::OnFaderMove(int, uint8_t, DWORD) {}
void CTavrel::OnStripStateButton(uint8_t, uint8_t) {}
void CTavrel::OnAutomationArmButton(uint8_t, uint8_t, DWORD) {}
void CTavrel::OnSelectButton(uint8_t, uint8_t, DWORD) {}
void CTavrel::OnKnobStripButton(int, uint8_t, DWORD) {}
