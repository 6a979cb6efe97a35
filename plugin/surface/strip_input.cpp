// Channel-strip input: faders with their pick-up rule and automatic
// selection, mute/record-arm/solo, automation arm, select and knob-strip.
//
// Controls address window positions; the host strip is m_firstStrip +
// position, at most 96 + 31 = 127, so it always indexes the LED cache.
#include "clock.h"
#include "module_state.h"
#include "tavrel.h"

using namespace midi;

namespace {

// A moved fader takes the selection only when no fader took it in this long.
constexpr uint32_t AUTO_SELECT_QUIET_MS = 200;

// The eight parameters one automation-arm button arms and disarms, in order.
struct ArmTarget {
  DWORD param;
  DWORD index;
};
constexpr ArmTarget AUTOMATION_ARM_TARGETS[] = {
    {MIX_PARAM_VOL, 0},      {MIX_PARAM_PAN, 0},      {MIX_PARAM_MUTE, 0},     {MIX_PARAM_SEND_VOL, 0},
    {MIX_PARAM_SEND_VOL, 1}, {MIX_PARAM_SEND_VOL, 2}, {MIX_PARAM_SEND_VOL, 3}, {MIX_PARAM_SEND_VOL, 4},
};

// Mute, record-arm and solo: one row per block of 32 controllers.
struct StateButtonRow {
  uint8_t ledBit;
  DWORD param;
};
constexpr StateButtonRow STATE_BUTTON_ROWS[] = {
    {LEDBIT_MUTE, MIX_PARAM_MUTE},    // controllers 0..31
    {LEDBIT_REC_ARM, MIX_PARAM_ARM},  // 32..63
    {LEDBIT_SOLO, MIX_PARAM_SOLO},    // 64..95
};

// m_selStrip and m_knobStrip are signed bytes that only ever hold 0..127; the
// mask keeps a cache index in bounds whatever they hold.
constexpr int LedSlot(int8_t strip) { return static_cast<uint8_t>(strip) % HOST_STRIP_LIMIT; }

bool StripExists(int32_t strip, DWORD stripCount) { return strip >= 0 && static_cast<DWORD>(strip) < stripCount; }

void SetBit(uint8_t& leds, uint8_t bit, bool on) {
  leds = on ? static_cast<uint8_t>(leds | bit) : static_cast<uint8_t>(leds & ~bit);
}

// Fader steps from a fader value up to the host's volume, rounded half up:
// 0 is the meeting point of the pick-up rule.
int StepsToVolume(float volume, int value) {
  return static_cast<int>((volume - ValueToLevel(static_cast<uint32_t>(value))) * 127.0f + 0.5f);
}

// Whether a coalesced stroke passed a value that meets an in-range volume;
// the values that can meet it lie within a step or two of volume x 127.
bool PassedTheVolume(const PassedValues& passed, float volume) {
  const int nearest = static_cast<int>(volume * 127.0f);
  for (int value = nearest - 1; value <= nearest + 2; ++value)
    if (passed.Has(value) && StepsToVolume(volume, value) == 0) return true;
  return false;
}

}  // namespace

// A coalesced stroke (`passed` set) ends as the moves one by one would have:
// if any of them met the host's volume the fader has picked up and writes
// where it ended.
void CTavrel::OnFaderMove(int position, uint8_t value, DWORD stripCount, const PassedValues* passed) {
  const int32_t strip = m_firstStrip + position;
  const bool exists = StripExists(strip, stripCount);
  m_faderValue[position] = value;
  // The pick-up comparison uses the value as received; what the host is given
  // never exceeds 1.0 (a byte above 127 is no fader position).

  if (m_faderPicked[position]) {
    Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
    Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
    ShowTwoDigits(static_cast<int8_t>(value));
  } else if (exists) {
    const float volume = HostGetParam(static_cast<DWORD>(strip), MIX_PARAM_VOL, 0);
    if (!HostCallsAllowed()) return;
    // Of a stroke against a volume the fader can never meet, the first move
    // picks up and the rest write.
    const bool strokeMet = passed != nullptr && (!LevelInRange(volume) || PassedTheVolume(*passed, volume));
    if (!LevelInRange(volume) && !strokeMet) {
      // A host volume the fader can never meet: take the fader as it stands.
      m_faderPicked[position] = 1;
      Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
      Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
      m_faderValue[position] = 0;
    } else {
      const int difference = strokeMet ? 0 : StepsToVolume(volume, value);
      Send(STATUS_CH15, DIGIT_LEFT, SEGMENT_DASH);
      Send(STATUS_CH15, DIGIT_RIGHT, SEGMENT_DASH);
      if (difference > 0) {
        Send(STATUS_CH15, LED_ARROW_UP, LED_ON);
        Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
      } else if (difference == 0) {
        Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
        Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
        ShowTwoDigits(static_cast<int8_t>(value));
        m_faderPicked[position] = 1;
      } else {
        Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
        Send(STATUS_CH15, LED_ARROW_DOWN, LED_ON);
      }
    }
  }

  // A fader that has just picked up writes its level in the same message.
  if (m_faderPicked[position] && exists) HostSetParam(static_cast<DWORD>(strip), MIX_PARAM_VOL, 0, ClampedLevel(value));

  // Automatic selection: a fader moved after a quiet spell selects its strip.
  if (strip != m_selStrip && exists &&
      ElapsedMs(g_selectMoveTick.load(std::memory_order_relaxed), ClockNowMs()) > AUTO_SELECT_QUIET_MS) {
    SetBit(m_stripLeds[LedSlot(m_selStrip)], LEDBIT_SELECT, false);
    if (m_selStrip >= m_firstStrip && m_selStrip <= m_lastStrip)
      Send(STATUS_CH15, static_cast<uint8_t>(LED_SELECT + m_selStrip - m_firstStrip), LED_OFF);
    SetBit(m_stripLeds[strip], LEDBIT_SELECT, true);
    Send(STATUS_CH15, static_cast<uint8_t>(LED_SELECT + position), LED_ON);
    m_selStrip = static_cast<int8_t>(strip);
    m_knobStrip = static_cast<int8_t>(strip);
    g_selectMoveTick.store(ClockNowMs(), std::memory_order_relaxed);
  }
}

// Mute, record arm and solo carry their state in the value. The strip count is
// not consulted: a button beyond the host's strips still calls the host, and
// the refresh darkens its LED again.
void CTavrel::OnStripStateButton(uint8_t controller, uint8_t value) {
  const StateButtonRow& row = STATE_BUTTON_ROWS[controller / STRIPS_PER_BANK];
  const int32_t strip = m_firstStrip + controller % STRIPS_PER_BANK;
  const bool on = ButtonOn(value);
  SetBit(m_stripLeds[strip], row.ledBit, on);
  HostSetParam(static_cast<DWORD>(strip), row.param, 0, on ? SWITCH_ON : SWITCH_OFF);
}

// Arms or disarms automation for the strip's volume, pan, mute and five sends.
// The LED bit is set before arming and cleared after disarming.
void CTavrel::OnAutomationArmButton(uint8_t controller, uint8_t value, DWORD stripCount) {
  const int32_t strip = m_firstStrip + (controller - CC_AUTO_ARM_FIRST);
  if (!StripExists(strip, stripCount)) {
    Send(STATUS_CH14, controller, LED_OFF);
    return;
  }
  const bool on = ButtonOn(value);
  if (on) SetBit(m_stripLeds[strip], LEDBIT_AUTO_ARM, true);
  for (const ArmTarget& target : AUTOMATION_ARM_TARGETS)
    HostSetArm(static_cast<DWORD>(strip), target.param, target.index, on ? 1 : 0);
  if (!on) SetBit(m_stripLeds[strip], LEDBIT_AUTO_ARM, false);
}

// A select press on another strip selects it (and makes it the knob strip),
// keeps the select LEDs in step and replays the fader so the arrows and the
// display show the new strip's pick-up state. Every other select message is
// also handled as the knob-strip button of the same position.
void CTavrel::OnSelectButton(uint8_t controller, uint8_t value, DWORD stripCount) {
  const int position = controller - CC_SELECT_FIRST;
  const int32_t strip = m_firstStrip + position;
  const bool exists = StripExists(strip, stripCount);

  if (!ButtonOn(value)) {
    // A release: the select LED shows whether the strip exists.
    Send(STATUS_CH15, controller, exists ? LED_ON : LED_OFF);
    return OnKnobStripButton(position, value, stripCount);
  }
  if (!exists) {
    Send(STATUS_CH15, controller, LED_OFF);
    return OnKnobStripButton(position, value, stripCount);
  }
  if (strip == m_selStrip) {
    SetBit(m_stripLeds[strip], LEDBIT_SELECT, true);
    return OnKnobStripButton(position, value, stripCount);
  }

  SetBit(m_stripLeds[LedSlot(m_selStrip)], LEDBIT_SELECT, false);
  if (m_selStrip >= m_firstStrip && m_selStrip <= m_lastStrip)
    Send(STATUS_CH15, static_cast<uint8_t>(LED_SELECT + m_selStrip - m_firstStrip), LED_OFF);
  m_selStrip = static_cast<int8_t>(strip);
  m_knobStrip = static_cast<int8_t>(strip);
  SetBit(m_stripLeds[strip], LEDBIT_SELECT, true);
  OnFaderMove(position, m_faderValue[position], stripCount);
}

// A knob-strip press on another strip moves the pan and send knobs there (and
// the selection with them); the knobs must pick up the new strip's values.
void CTavrel::OnKnobStripButton(int position, uint8_t value, DWORD stripCount) {
  const int32_t strip = m_firstStrip + position;
  const bool exists = StripExists(strip, stripCount);
  const auto led = static_cast<uint8_t>(LED_KNOB_STRIP + position);

  if (!ButtonOn(value)) {
    Send(STATUS_CH15, led, exists ? LED_ON : LED_OFF);
    return;
  }
  if (!exists) {
    Send(STATUS_CH15, led, LED_OFF);
    return;
  }
  if (strip == m_knobStrip) {
    SetBit(m_stripLeds[strip], LEDBIT_KNOB_STRIP, true);
    return;
  }

  SetBit(m_stripLeds[LedSlot(m_knobStrip)], LEDBIT_KNOB_STRIP, false);
  if (m_knobStrip >= m_firstStrip && m_knobStrip <= m_lastStrip)
    Send(STATUS_CH15, static_cast<uint8_t>(LED_KNOB_STRIP + m_knobStrip - m_firstStrip), LED_OFF);
  m_knobStrip = static_cast<int8_t>(strip);
  m_selStrip = static_cast<int8_t>(strip);
  m_panPicked = 0;
  for (auto& picked : m_sendPicked) picked = 0;
  SetBit(m_stripLeds[strip], LEDBIT_KNOB_STRIP, true);
}
