// Reads a MIDI byte stream as capture tools write it: running status, system
// real-time bytes anywhere (even inside another message), system-exclusive
// messages up to a size limit, and junk. Whatever cannot be read is reported
// with its byte offset and skipped; reading never stops early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct StreamMessage {
  size_t offset = 0;           // of its status byte (the running status's first data byte)
  uint32_t word = 0;           // a short message, packed: status | data1 << 8 | data2 << 16
  std::vector<uint8_t> sysex;  // a system-exclusive message, F0..F7, when not empty
  bool realTime = false;       // F8..FF: a one-byte message
};

struct StreamReport {
  size_t offset = 0;
  std::string what;
};

class MidiStreamReader {
 public:
  static constexpr size_t kDefaultSysexLimit = 1024;
  explicit MidiStreamReader(size_t sysexLimit = kDefaultSysexLimit) : m_limit(sysexLimit) {}

  // Reads one byte at the next offset; a finished message is appended to `out`.
  void Feed(uint8_t byte, std::vector<StreamMessage>* out);
  // The end of the stream: a message still open is reported, not delivered.
  void Finish();

  const std::vector<StreamReport>& Reports() const { return m_reports; }
  size_t StrayBytes() const { return m_stray; }
  size_t Offset() const { return m_offset; }

 private:
  void FeedData(uint8_t byte, size_t offset, std::vector<StreamMessage>* out);
  void FeedStatus(uint8_t byte, size_t offset, std::vector<StreamMessage>* out);
  void EndSysex(std::vector<StreamMessage>* out);
  void Report(size_t offset, const std::string& what);
  void EndStray();
  void AbandonOpen(const char* why);

  const size_t m_limit;
  size_t m_offset = 0;
  uint8_t m_running = 0;   // running status (channel messages only)
  uint8_t m_status = 0;    // status of the message being read
  uint8_t m_data[2] = {};  // data bytes of the message being read
  int m_have = 0, m_need = 0;
  size_t m_start = 0;   // offset of the message being read
  bool m_open = false;  // a short message is being read
  bool m_inSysex = false;
  size_t m_sysexLength = 0;
  std::vector<uint8_t> m_sysex;
  size_t m_stray = 0, m_strayRun = 0, m_strayStart = 0;
  std::vector<StreamReport> m_reports;
};

// Reads a whole buffer; convenient for tests and files.
struct StreamResult {
  std::vector<StreamMessage> messages;
  std::vector<StreamReport> reports;
  size_t strayBytes = 0;
};
StreamResult ReadMidiStream(const uint8_t* bytes, size_t length,
                            size_t sysexLimit = MidiStreamReader::kDefaultSysexLimit);

}  // namespace sim
