// Pan and send knobs: pick up the knob strip's value, then write it.
//
// The knobs have no motor, so a knob that does not match the host's value
// would make it jump. Until a knob meets the host's value the display shows
// how far away it is (the distance only, not the direction) and nothing is
// written; once it has met it, every turn is written until a knob-strip
// button picks another strip or the state is reset.
#include "tavrel.h"

using namespace midi;

namespace {

// The host's level on the knob's 0..127 scale; levels out of range (or NaN)
// count as the middle of the scale.
int KnobScale(float level) { return LevelInRange(level) ? LevelToValue(level) : KNOB_VALUE_FOR_BAD_LEVEL; }

}  // namespace

void CTavrel::OnPanKnob(uint8_t value, const PassedValues* passed) {
  TurnKnob(&m_panPicked, MIX_PARAM_PAN, 0, value, passed);
}

// Each send knob drives the volume or the pan of one send of the knob strip,
// as its settings byte says: bit 0 picks pan, bits 1..3 the send. Every byte
// value decodes, and the byte is read at each turn so a page edit applies at
// once (the pick-up flag stays as it is).
void CTavrel::OnSendKnob(uint8_t controller, uint8_t value, const PassedValues* passed) {
  const int knob = SendKnobIndex(controller);
  const uint8_t assignment = ConfigByte(CONFIG_SEND_KNOB + static_cast<size_t>(knob));
  const DWORD param = (assignment & 1) ? MIX_PARAM_SEND_PAN : MIX_PARAM_SEND_VOL;
  const DWORD index = (assignment >> 1) & 7;
  TurnKnob(&m_sendPicked[knob], param, index, value, passed);
}

// A coalesced turn that passed the host's value on its way has met it, as
// the turns one by one would have, and writes where it ended.
void CTavrel::TurnKnob(uint8_t* picked, DWORD param, DWORD index, uint8_t value, const PassedValues* passed) {
  const auto strip = static_cast<DWORD>(static_cast<uint8_t>(m_knobStrip));
  // Bytes are taken whole; a value above 127 writes no more than full level.
  const float level = ClampedLevel(value);
  if (*picked) {
    HostSetParam(strip, param, index, level);
    return;
  }
  const int target = KnobScale(HostGetParam(strip, param, index));
  if (!HostCallsAllowed()) return;
  const int distance = target > value ? target - value : value - target;
  if (distance != 0 && !(passed != nullptr && passed->Has(target))) {
    ShowTwoDigits(static_cast<int8_t>(static_cast<uint8_t>(distance)));
    Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
    Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
    return;
  }
  *picked = 1;
  HostSetParam(strip, param, index, level);
  Send(STATUS_CH15, DIGIT_LEFT, SEGMENT_BLANK);
  Send(STATUS_CH15, DIGIT_RIGHT, SEGMENT_BLANK);
}
