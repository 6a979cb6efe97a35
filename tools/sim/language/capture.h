// MIDI capture files, in either of two forms:
//  - raw bytes, exactly as they came off the wire;
//  - a hex dump: text of hex pairs, with optional whitespace, '#' comments,
//    an offset at the start of a line ("00000010:" or an 8-digit column as
//    hexdump -C writes it, whose "|...|" column is ignored), and an optional
//    time at the start of a line, "+12ms", the time since the previous line.
//      +0ms  bf 03 40
//      +12ms bf 03 41 04 42     # running status continues across lines
// A file is a hex dump when it is all printable text: raw MIDI always has
// status bytes of 0x80 and above.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "language/midi_stream.h"

namespace sim {

struct Capture {
  std::vector<uint8_t> bytes;
  std::vector<int64_t> atMs;  // per byte, time since the first line (timed hex dumps only)
  std::vector<int> line;      // per byte, its line (hex dumps only)
  bool text = false, timed = false;
  std::vector<std::string> errors;  // "line N: ..." for tokens that are no hex byte (skipped)
};

Capture ParseCapture(const std::string& content);
// "byte 12" or "byte 12 (line 3)".
std::string Where(const Capture& capture, size_t offset);

// Writes a timed hex dump, one line per message.
class CaptureWriter {
 public:
  // `ms` is the time since the start of the session.
  void Add(int64_t ms, const uint8_t* bytes, size_t length);
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text = "# TavrelSim capture: +ms since the previous line, then the bytes\n";
  int64_t m_last = 0;
};

}  // namespace sim
