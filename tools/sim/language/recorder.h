// --record: what a session did, written as a script that does it again.
// Script steps are kept as written (but for the ones that write files:
// snapshot, save); input from a capture or a port becomes send and sysex
// steps, with the refreshes and the time between them that the session had.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "language/script.h"

namespace sim {

class Recorder {
 public:
  void Step(const Step& step);
  // Input from a port or a capture; `waitMs` (at least 1) is written as a wait before it.
  void Input(uint32_t word, const std::vector<uint8_t>* sysex, int64_t waitMs);
  void Refresh();
  // Input from a live port, timed by its arrival.
  void Live(uint32_t word, const std::vector<uint8_t>* sysex);
  bool Write(const std::string& path, std::string* error) const;

 private:
  mutable std::mutex m_mutex;
  std::string m_text = "# recorded by TavrelSim\n";
  bool m_live = false;
  std::chrono::steady_clock::time_point m_last;
};

}  // namespace sim
