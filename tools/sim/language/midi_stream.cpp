#include "language/midi_stream.h"

#include <cstdio>

namespace sim {
namespace {

// Data bytes after a status byte; -1: not a message that can be started.
int DataBytes(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0xF0:
      break;
    default:
      return 2;
  }
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 1;
    case 0xF2:
      return 2;
    case 0xF6:
      return 0;
    default:
      return -1;  // F4, F5 undefined; F0 and F7 are handled apart
  }
}

std::string Hex(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x", byte);
  return text;
}

}  // namespace

void MidiStreamReader::Report(size_t offset, const std::string& what) { m_reports.push_back({offset, what}); }

// A run of stray data bytes is reported once, when it ends.
void MidiStreamReader::EndStray() {
  if (m_strayRun == 0) return;
  Report(m_strayStart, std::to_string(m_strayRun) + " stray data byte" + (m_strayRun == 1 ? "" : "s") +
                           " skipped (no status to belong to)");
  m_strayRun = 0;
}

void MidiStreamReader::AbandonOpen(const char* why) {
  if (m_open) {
    Report(m_start, "message cut short (" + std::to_string(m_have) + " of " + std::to_string(m_need) + " data bytes) " +
                        why + "; dropped");
    m_open = false;
  }
  if (m_inSysex) {
    Report(m_start, "system-exclusive message of " + std::to_string(m_sysexLength) + " bytes not ended by f7 " + why +
                        "; dropped");
    m_inSysex = false;
    m_sysex.clear();
  }
}

void MidiStreamReader::Feed(uint8_t byte, std::vector<StreamMessage>* out) {
  const size_t offset = m_offset++;
  if (byte >= 0xF8) {  // real time: a message of its own, wherever it falls
    StreamMessage message;
    message.offset = offset;
    message.word = byte;
    message.realTime = true;
    out->push_back(std::move(message));
  } else if (byte < 0x80) {
    FeedData(byte, offset, out);
  } else {
    FeedStatus(byte, offset, out);
  }
}

void MidiStreamReader::FeedData(uint8_t byte, size_t offset, std::vector<StreamMessage>* out) {
  if (m_inSysex) {
    if (++m_sysexLength <= m_limit) m_sysex.push_back(byte);
    return;
  }
  if (!m_open && m_running != 0) {  // running status: the status is implied
    m_open = true;
    m_start = offset;
    m_status = m_running;
    m_have = 0;
    m_need = DataBytes(m_running);
  }
  if (!m_open) {
    if (m_strayRun++ == 0) m_strayStart = offset;
    ++m_stray;
    return;
  }
  m_data[m_have++] = byte;
  if (m_have < m_need) return;
  StreamMessage message;
  message.offset = m_start;
  message.word = static_cast<uint32_t>(m_status) | static_cast<uint32_t>(m_data[0]) << 8 |
                 (m_need == 2 ? static_cast<uint32_t>(m_data[1]) << 16 : 0);
  out->push_back(std::move(message));
  m_open = false;
}

// The f7 that ends a system-exclusive message: delivered, or dropped when
// it ran over the limit.
void MidiStreamReader::EndSysex(std::vector<StreamMessage>* out) {
  m_inSysex = false;
  if (++m_sysexLength > m_limit) {
    Report(m_start, "system-exclusive message of " + std::to_string(m_sysexLength) + " bytes is over the limit of " +
                        std::to_string(m_limit) + "; dropped");
    m_sysex.clear();
    return;
  }
  StreamMessage message;
  message.offset = m_start;
  m_sysex.push_back(0xF7);
  message.sysex.swap(m_sysex);
  out->push_back(std::move(message));
}

void MidiStreamReader::FeedStatus(uint8_t byte, size_t offset, std::vector<StreamMessage>* out) {
  EndStray();
  if (byte == 0xF7 && m_inSysex) return EndSysex(out);
  AbandonOpen(("by status " + Hex(byte) + " at byte " + std::to_string(offset)).c_str());
  if (byte == 0xF7) {
    Report(offset, "f7 outside a system-exclusive message; skipped");
    ++m_stray;
    m_running = 0;
    return;
  }
  m_start = offset;
  if (byte == 0xF0) {
    m_running = 0;
    m_inSysex = true;
    m_sysexLength = 1;
    m_sysex.clear();
    m_sysex.push_back(byte);
    return;
  }
  const int need = DataBytes(byte);
  m_running = byte < 0xF0 ? byte : 0;  // system common messages cancel running status
  if (need < 0) {
    Report(offset, "undefined status " + Hex(byte) + "; skipped");
    return;
  }
  m_status = byte;
  m_have = 0;
  m_need = need;
  if (need == 0) {
    StreamMessage message;
    message.offset = offset;
    message.word = byte;
    out->push_back(std::move(message));
    return;
  }
  m_open = true;
}

void MidiStreamReader::Finish() {
  EndStray();
  AbandonOpen("at the end of the stream");
}

StreamResult ReadMidiStream(const uint8_t* bytes, size_t length, size_t sysexLimit) {
  MidiStreamReader reader(sysexLimit);
  StreamResult result;
  for (size_t i = 0; i < length; ++i) reader.Feed(bytes[i], &result.messages);
  reader.Finish();
  result.reports = reader.Reports();
  result.strayBytes = reader.StrayBytes();
  return result;
}

}  // namespace sim
