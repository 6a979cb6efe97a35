#include "model/monitor.h"

#include <cstdio>

#include "midi_map.h"
#include "model/controls.h"

namespace sim {
namespace {

std::string Hex(uint32_t word) {
  const midi::ShortMessage message = midi::Unpack(word);
  char text[16];
  std::snprintf(text, sizeof text, "%02x %02x %02x", message.status, message.controller, message.value);
  return text;
}

}  // namespace

void Monitor::Line(Kind kind, const std::string& text) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "%8.3f ", seconds);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_sink) {
    m_sink(kind, stamp + text);
    return;
  }
  std::fputs((stamp + text + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Monitor::In(uint32_t word) {
  for (MidiTap* tap : m_taps) tap->TapIn(word, nullptr);
  if (!m_on) return;
  const midi::ShortMessage m = midi::Unpack(word);
  Line(Kind::In, "in  " + Hex(word) + "  " + DescribeIncoming(m.status, m.controller, m.value));
}

void Monitor::InLong(const std::vector<uint8_t>& bytes) {
  for (MidiTap* tap : m_taps) tap->TapIn(0, &bytes);
  if (!m_on) return;
  std::string hex;
  for (uint8_t byte : bytes) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x ", byte);
    hex += text;
  }
  int32_t move = 0;
  const bool shuttle = midi::DecodeShuttle(bytes.data(), static_cast<uint32_t>(bytes.size()), &move);
  Line(Kind::In, "in  " + hex + " " + (shuttle ? "shuttle " + std::to_string(move) : std::string("(not understood)")));
}

void Monitor::Out(uint32_t word) {
  for (MidiTap* tap : m_taps) tap->TapOut(word);
  if (!m_on) return;
  const midi::ShortMessage m = midi::Unpack(word);
  Line(Kind::Out, "out " + Hex(word) + "  " + DescribeOutgoing(m.status, m.controller, m.value));
}

void Monitor::Host(const std::string& call) {
  if (m_on) Line(Kind::Host, "host " + call);
}

void Monitor::Note(const std::string& text) {
  if (m_on) Line(Kind::Note, "---- " + text);
}

void Monitor::Print(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::fputs((text + "\n").c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace sim
