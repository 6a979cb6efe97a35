#include "surface_view.h"

#include <cstdio>

#include "midi_map.h"

using namespace midi;

namespace {

char DigitChar(uint8_t segments) {
  if (segments == SEGMENT_BLANK) return ' ';
  if (segments == SEGMENT_DASH) return '-';
  for (int digit = 0; digit < 16; ++digit)
    if (SEGMENT_PATTERNS[digit] == segments) return "0123456789AbCdEF"[digit];
  return '?';
}

}  // namespace

void SurfaceView::Apply(uint32_t word) {
  const ShortMessage message = Unpack(word);
  if (message.controller >= 128) return;
  if (message.status == STATUS_CH14) m_ch14[message.controller] = message.value;
  if (message.status == STATUS_CH15) m_ch15[message.controller] = message.value;
}

void SurfaceView::Gesture(uint32_t word) {
  const ShortMessage message = Unpack(word);
  if (message.status == STATUS_CH14 && message.controller < CC_AUTO_ARM_FIRST)
    m_ch14[message.controller] = ButtonOn(message.value) ? LED_ON : LED_OFF;
}

std::string SurfaceView::Describe() const {
  std::string text = "  display [";
  text += DigitChar(m_ch15[DIGIT_LEFT]);
  text += DigitChar(m_ch15[DIGIT_RIGHT]);
  text += "]";
  if (m_ch15[LED_PLAY]) text += "  PLAY";
  if (m_ch15[LED_RECORD]) text += "  REC";
  if (m_ch15[LED_ARROW_UP]) text += "  arrow-up";
  if (m_ch15[LED_ARROW_DOWN]) text += "  arrow-down";
  text += "\n";
  for (int p = 0; p < STRIPS_PER_BANK; ++p) {
    std::string lit;
    if (m_ch14[LED_MUTE + p]) lit += " mute";
    if (m_ch14[LED_SOLO + p]) lit += " solo";
    if (m_ch14[LED_REC_ARM + p]) lit += " rec-arm";
    if (m_ch14[LED_AUTO_ARM + p]) lit += " auto-arm";
    if (m_ch15[LED_SELECT + p]) lit += " selected";
    if (m_ch15[LED_KNOB_STRIP + p]) lit += " knob-strip";
    if (lit.empty()) continue;
    char head[32];
    std::snprintf(head, sizeof head, "  strip %2d:", p);
    text += head + lit + "\n";
  }
  return text;
}
