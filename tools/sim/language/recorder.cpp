#include "language/recorder.h"

#include <cstdio>
#include <fstream>

#include "midi_map.h"

namespace sim {

void Recorder::Step(const sim::Step& step) {
  if (step.kind == StepKind::Snapshot || step.kind == StepKind::Save) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text += step.text + "\n";
  m_live = false;  // live input after a step is timed from the step
}

void Recorder::Input(uint32_t word, const std::vector<uint8_t>* sysex, int64_t waitMs) {
  char item[16];
  std::string line;
  if (waitMs > 0) line += "wait " + std::to_string(waitMs) + "ms\n";
  if (sysex == nullptr) {
    const midi::ShortMessage m = midi::Unpack(word);
    std::snprintf(item, sizeof item, "send %02x %02x %02x", m.status, m.controller, m.value);
    line += item;
  } else {
    line += "sysex";
    for (uint8_t byte : *sysex) {
      std::snprintf(item, sizeof item, " %02x", byte);
      line += item;
    }
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text += line + "\n";
}

void Recorder::Refresh() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text += "refresh\n";
}

void Recorder::Live(uint32_t word, const std::vector<uint8_t>* sysex) {
  const auto now = std::chrono::steady_clock::now();
  int64_t waitMs = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_live) waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_last).count();
    m_live = true;
    m_last = now;
  }
  Input(word, sysex, waitMs);
}

bool Recorder::Write(const std::string& path, std::string* error) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !(out << m_text) || !out.flush()) {
    *error = "cannot write the recorded script " + path;
    return false;
  }
  return true;
}

}  // namespace sim
