// The refresh: bring the surface's lights in line with the host, sending only
// what changed; and the two-digit display.
#include "module_state.h"
#include "tavrel.h"

using namespace midi;

namespace {

// The record LED blinks while the host reports transport state 4: lit at the
// sixth refresh of every cycle of eleven, dark at the eleventh.
constexpr int32_t RECORD_BLINK_LIGHT_AT = 5;
constexpr int32_t RECORD_BLINK_DARK_AT = 10;

// Brings one cached LED bit to `on`. Returns true when the light has to change
// (the caller sends the message); the cache then already holds the new state.
bool LightChanges(uint8_t& leds, uint8_t bit, bool on) {
  if (on == ((leds & bit) != 0)) return false;
  leds = on ? static_cast<uint8_t>(leds | bit) : static_cast<uint8_t>(leds & ~bit);
  return true;
}

}  // namespace

// A pass that an attach or detach from inside one of its calls superseded
// takes no pick-up flag and no transport state from a read it did not make:
// it stops at the next volume read or at the transport. The strip lights it
// cached on the way went unsent, so that operation leaves the lights unknown
// and the next pass sends every light the host calls for.
void CTavrel::SyncSurface() {
  DWORD stripCount = 0;
  if (!HostGetStripCount(&stripCount)) return;
  const bool resend = m_lightsUnknown;
  m_lightsUnknown = false;

  // The window is read once: a host call below may detach the surface (which
  // resets the window), and the rest of the pass stays on the strips it
  // started with. It never reaches past the 128 strips the LED cache covers;
  // the bounds are checked anyway so a bad window cannot index outside it.
  const int32_t firstStrip = m_firstStrip;
  for (int32_t position = 0; position < STRIPS_PER_BANK; ++position) {
    const int32_t strip = firstStrip + position;
    if (strip < 0 || strip >= HOST_STRIP_LIMIT) break;
    const auto pos = static_cast<uint8_t>(position);
    const bool exists = static_cast<DWORD>(strip) < stripCount;
    const bool selected = strip == m_selStrip;

    // Fader pick-up: the fader may write the host's volume only while it
    // agrees with it. A host volume outside 0..1 cannot be met, so the fader
    // counts as agreeing.
    if (exists) {
      const float volume = HostGetParam(static_cast<DWORD>(strip), MIX_PARAM_VOL, 0);
      if (!HostCallsAllowed()) return;
      int hostValue = 0;
      int difference = 0;
      if (LevelInRange(volume)) {
        hostValue = LevelToValue(volume);
        difference = hostValue - m_faderValue[pos];
      }
      const bool agrees = difference == 0;
      // Only the selected strip shows its pick-up state, and only on a change.
      if (selected && (resend || agrees != (m_faderPicked[pos] != 0))) {
        if (agrees) {
          Send(STATUS_CH15, LED_ARROW_UP, LED_OFF);
          Send(STATUS_CH15, LED_ARROW_DOWN, LED_OFF);
          ShowTwoDigits(static_cast<int8_t>(hostValue));
        } else {
          Send(STATUS_CH15, DIGIT_LEFT, SEGMENT_DASH);
          Send(STATUS_CH15, DIGIT_RIGHT, SEGMENT_DASH);
          Send(STATUS_CH15, LED_ARROW_UP, difference > 0 ? LED_ON : LED_OFF);
          Send(STATUS_CH15, LED_ARROW_DOWN, difference > 0 ? LED_OFF : LED_ON);
        }
      }
      m_faderPicked[pos] = agrees ? 1 : 0;
    } else {
      m_faderPicked[pos] = 0;
    }

    // Strip LEDs, in a fixed order. The mixer-driven ones are off for a strip
    // the host does not have.
    uint8_t& leds = m_stripLeds[strip];
    const auto light = [&](uint8_t bit, bool on, uint8_t status, uint8_t controller) {
      if (LightChanges(leds, bit, on)) Send(status, controller, on ? LED_ON : LED_OFF);
    };
    const auto hostSwitch = [&](DWORD param) {
      return exists && SwitchOn(HostGetParam(static_cast<DWORD>(strip), param, 0));
    };
    light(LEDBIT_REC_ARM, hostSwitch(MIX_PARAM_ARM), STATUS_CH14, static_cast<uint8_t>(LED_REC_ARM + pos));
    light(LEDBIT_MUTE, hostSwitch(MIX_PARAM_MUTE), STATUS_CH14, static_cast<uint8_t>(LED_MUTE + pos));
    if (!(m_storeLightLit && LED_SOLO + pos == LED_STORE))
      light(LEDBIT_SOLO, hostSwitch(MIX_PARAM_SOLO), STATUS_CH14, static_cast<uint8_t>(LED_SOLO + pos));
    light(LEDBIT_SELECT, selected, STATUS_CH15, static_cast<uint8_t>(LED_SELECT + pos));
    light(LEDBIT_KNOB_STRIP, strip == m_knobStrip, STATUS_CH15, static_cast<uint8_t>(LED_KNOB_STRIP + pos));
    // The arm button arms several parameters at once; the LED follows mute's.
    const bool automationArmed = exists && HostGetArm(static_cast<DWORD>(strip), MIX_PARAM_MUTE, 0) != 0;
    light(LEDBIT_AUTO_ARM, automationArmed, STATUS_CH14, static_cast<uint8_t>(LED_AUTO_ARM + pos));
  }
  // With the lights unknown, every strip light of the window goes out again
  // from the cache, which this pass has just brought in line with the host
  // (a light it changed goes out twice).
  if (resend) SendWindowLights(firstStrip);

  // Transport lights follow the changes of the host's play and record states.
  const bool recording = HostGetState(TRANSPORT_RECORDING) != 0;
  const bool playing = HostGetState(TRANSPORT_PLAYING) != 0;
  const bool blinking = HostGetState(TRANSPORT_RECORD_BLINK) != 0;
  if (!HostCallsAllowed()) return;
  const bool wasPlaying = m_wasPlaying != 0;
  const bool wasRecording = m_wasRecording != 0;

  if (resend) {
    Send(STATUS_CH15, LED_PLAY, playing || recording ? LED_ON : LED_OFF);
    Send(STATUS_CH15, LED_TRANSPORT_57, LED_OFF);
    Send(STATUS_CH15, LED_RECORD, recording ? LED_ON : LED_OFF);
  } else {
    if ((playing && !wasPlaying) || (recording && !wasRecording)) {
      Send(STATUS_CH15, LED_PLAY, LED_ON);
      Send(STATUS_CH15, LED_TRANSPORT_57, LED_OFF);
    }
    if ((!playing && wasPlaying) || (!recording && wasRecording)) {
      Send(STATUS_CH15, LED_PLAY, LED_OFF);
      Send(STATUS_CH15, LED_TRANSPORT_57, LED_OFF);
      Send(STATUS_CH15, LED_RECORD, LED_OFF);
    }
    if (recording && !wasRecording) Send(STATUS_CH15, LED_RECORD, LED_ON);
    if (!recording && wasRecording) Send(STATUS_CH15, LED_RECORD, LED_OFF);
  }

  // One counter for the whole module: every surface object's refresh counts.
  // It only ever holds 0..10; the >= keeps it bounded whatever it was given.
  if (blinking) {
    const int32_t count = g_recordBlinkCount.load(std::memory_order_relaxed);
    if (count == RECORD_BLINK_LIGHT_AT) Send(STATUS_CH15, LED_RECORD, LED_ON);
    if (count >= RECORD_BLINK_DARK_AT) {
      Send(STATUS_CH15, LED_RECORD, LED_OFF);
      g_recordBlinkCount.store(0, std::memory_order_relaxed);
    } else {
      g_recordBlinkCount.store(count + 1, std::memory_order_relaxed);
    }
  } else {
    g_recordBlinkCount.store(0, std::memory_order_relaxed);
  }

  m_wasPlaying = playing ? 1 : 0;
  m_wasRecording = recording ? 1 : 0;
  // While the host records, the footswitch's next tap stops it.
  if (recording) m_footState = FOOT_RECORDING;
}

void CTavrel::SendWindowLights(int32_t firstStrip) {
  for (int32_t position = 0; position < STRIPS_PER_BANK; ++position) {
    const int32_t strip = firstStrip + position;
    if (strip < 0 || strip >= HOST_STRIP_LIMIT) break;
    const uint8_t leds = m_stripLeds[strip];
    const auto pos = static_cast<uint8_t>(position);
    const auto light = [&](uint8_t bit, uint8_t status, uint8_t controller) {
      Send(status, controller, (leds & bit) != 0 ? LED_ON : LED_OFF);
    };
    light(LEDBIT_REC_ARM, STATUS_CH14, static_cast<uint8_t>(LED_REC_ARM + pos));
    light(LEDBIT_MUTE, STATUS_CH14, static_cast<uint8_t>(LED_MUTE + pos));
    if (!(m_storeLightLit && LED_SOLO + pos == LED_STORE))
      light(LEDBIT_SOLO, STATUS_CH14, static_cast<uint8_t>(LED_SOLO + pos));
    light(LEDBIT_SELECT, STATUS_CH15, static_cast<uint8_t>(LED_SELECT + pos));
    light(LEDBIT_KNOB_STRIP, STATUS_CH15, static_cast<uint8_t>(LED_KNOB_STRIP + pos));
    light(LEDBIT_AUTO_ARM, STATUS_CH14, static_cast<uint8_t>(LED_AUTO_ARM + pos));
  }
}

void CTavrel::ForgetLight(int position, uint8_t bit, bool lit) {
  const int32_t strip = m_firstStrip + position;
  if (position < 0 || position >= STRIPS_PER_BANK || strip < 0 || strip >= HOST_STRIP_LIMIT) return;
  uint8_t& leds = m_stripLeds[strip];
  leds = lit ? static_cast<uint8_t>(leds | bit) : static_cast<uint8_t>(leds & ~bit);
}

// Shows a byte as two hexadecimal digits, high digit on the left.
void CTavrel::ShowTwoDigits(int8_t value) {
  const auto bits = static_cast<uint8_t>(value);
  Send(STATUS_CH15, DIGIT_LEFT, HighDigit(bits));
  Send(STATUS_CH15, DIGIT_RIGHT, LowDigit(bits));
}
