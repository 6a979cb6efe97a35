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

// Sees every message delivered to the surface and every message it sends, on
// the thread that carries it, whether or not the monitor prints (capture
// writers, MIDI output ports, the recorder). Must not block for long.
class MidiTap {
 public:
  virtual ~MidiTap() = default;
  virtual void TapIn(uint32_t /*word*/, const std::vector<uint8_t>* /*sysex: null for a short message*/) {}
  virtual void TapOut(uint32_t /*word*/) {}
};

class Monitor {
 public:
  // Where lines go: standard output unless a sink is set (a window's monitor
  // pane filters by the line's kind). Set before the session starts.
  enum class Kind { In, Out, Host, Note };
  using Sink = std::function<void(Kind kind, const std::string& line)>;
  void SetSink(Sink sink) { m_sink = std::move(sink); }
  // Taps are added before the session starts and outlive it.
  void AddTap(MidiTap* tap) { m_taps.push_back(tap); }

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
  std::vector<MidiTap*> m_taps;
  std::mutex m_mutex;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace sim
