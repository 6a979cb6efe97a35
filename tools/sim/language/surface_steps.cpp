#include "language/surface_steps.h"

#include "midi_map.h"

using namespace midi;

namespace sim {

std::vector<Emission> GestureMessages(Hardware& hardware, const Step& step) {
  Emission emission;
  switch (step.kind) {
    case StepKind::Move:
      return hardware.Move(*step.control, step.position, step.from, step.to, step.overMs);
    case StepKind::Press:
      return hardware.Press(*step.control, step.position);
    case StepKind::Hold:
      return hardware.Hold(*step.control);
    case StepKind::Release:
      return hardware.Release(*step.control);
    case StepKind::Jog:
      return hardware.Jog(step.amount);
    case StepKind::Shuttle:
      return Hardware::Shuttle(step.amount);
    case StepKind::Raw:
      emission.word = Pack(step.bytes[0], step.bytes[1], step.bytes[2]);
      return {emission};
    case StepKind::Sysex:
      emission.bytes = step.bytes;
      return {emission};
    default:
      return {};
  }
}

bool IsGesture(StepKind kind) {
  switch (kind) {
    case StepKind::Move:
    case StepKind::Press:
    case StepKind::Hold:
    case StepKind::Release:
    case StepKind::Jog:
    case StepKind::Shuttle:
    case StepKind::Raw:
    case StepKind::Sysex:
      return true;
    default:
      return false;
  }
}

std::string DisplayText(const Hardware& hardware) {
  std::string text;
  text += DigitChar(hardware.Light(STATUS_CH15, DIGIT_LEFT));
  text += DigitChar(hardware.Light(STATUS_CH15, DIGIT_RIGHT));
  return text;
}

namespace {

const char* OnOff(bool on) { return on ? "on" : "off"; }

Address LightOf(const Step& step) {
  const Address light = step.light->light;
  return {light.status, static_cast<uint8_t>(light.controller + (step.light->perStrip ? step.position : 0))};
}

}  // namespace

bool ExpectOnSurface(const Hardware& hardware, const Step& step, std::string* expected, std::string* found) {
  switch (step.expect) {
    case ExpectKind::Led: {
      const Address light = LightOf(step);
      const bool lit = hardware.Light(light.status, light.controller) != 0;
      *expected = OnOff(step.on);
      *found = OnOff(lit);
      return lit == step.on;
    }
    case ExpectKind::Display:
      // (appended, not added: GCC 12 warns wrongly of overlapping copies in "\"" + text + "\"")
      *expected = std::string("\"").append(step.word).append("\"");
      *found = std::string("\"").append(DisplayText(hardware)).append("\"");
      return *expected == *found;
    case ExpectKind::Arrow: {
      const bool up = hardware.Light(STATUS_CH15, LED_ARROW_UP) != 0;
      const bool down = hardware.Light(STATUS_CH15, LED_ARROW_DOWN) != 0;
      *found = up && down ? "both" : up ? "up" : down ? "down" : "none";
      *expected = step.word;
      return SameWord(*found, *expected);
    }
    default:  // a fader
      *expected = std::to_string(step.to);
      *found = std::to_string(hardware.FaderPosition(step.position));
      return *expected == *found;
  }
}

uint32_t ArrivalsAt(const Hardware& hardware, const Step& step) {
  switch (step.expect) {
    case ExpectKind::Led: {
      const Address light = LightOf(step);
      return hardware.Arrivals(light.status, light.controller);
    }
    case ExpectKind::Display:
      return hardware.Arrivals(STATUS_CH15, DIGIT_LEFT) + hardware.Arrivals(STATUS_CH15, DIGIT_RIGHT);
    case ExpectKind::Arrow:
      return hardware.Arrivals(STATUS_CH15, LED_ARROW_UP) + hardware.Arrivals(STATUS_CH15, LED_ARROW_DOWN);
    default:
      return 0;
  }
}

}  // namespace sim
