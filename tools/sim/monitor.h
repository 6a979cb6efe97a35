// The traffic monitor: one timestamped line per message in each direction
// and per host call, from whichever thread made it. Lines read like
//   0.412 in  bf 03 40  fader 3 = 64
//   0.413 out be 5d 66  display left "4"
//   0.413 host SetParam strip 3 volume 0.504
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

class Monitor {
 public:
  // Where lines go: standard output unless a sink is set (a window's monitor
  // pane filters by the line's kind). Set before the session starts.
  enum class Kind { In, Out, Host, Note };
  using Sink = std::function<void(Kind kind, const std::string& line)>;
  void SetSink(Sink sink) { m_sink = std::move(sink); }

  void Enable(bool on, bool reads) {
    m_on = on;
    m_reads = on && reads;
  }
  bool On() const { return m_on; }
  // The refresh's reads (GetParam, GetArm, GetState, GetStripCount) are many;
  // they are shown only when asked for.
  bool Reads() const { return m_reads; }

  void In(uint32_t word);
  void InLong(const std::vector<uint8_t>& bytes);
  void Out(uint32_t word);
  void Host(const std::string& call);
  void Note(const std::string& text);

  // Printed whether or not the monitor is on (errors, narration, results).
  void Print(const std::string& text);

 private:
  void Line(Kind kind, const std::string& text);

  bool m_on = false;
  bool m_reads = false;
  Sink m_sink;
  std::mutex m_mutex;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace sim
