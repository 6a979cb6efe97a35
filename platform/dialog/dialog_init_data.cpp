#include "dialog_init_data.h"

#include <cstring>

namespace {

constexpr size_t ENTRY_HEADER_SIZE = 8;  // control, message, length
constexpr size_t END_MARKER_SIZE = 2;

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Dword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Resource editors of the 16-bit era wrote the list messages under their old
// numbers (WM_USER + 1 and + 3); the classic framework sends the new ones.
uint16_t CurrentMessage(uint16_t message) {
  if (message == 0x0401) return DIALOG_INIT_LB_ADDSTRING;
  if (message == 0x0403) return DIALOG_INIT_CB_ADDSTRING;
  return message;
}

}  // namespace

CDialogInitReader::CDialogInitReader(const void* data, size_t size)
    : m_data(static_cast<const uint8_t*>(data)), m_size(data != nullptr ? size : 0) {}

bool CDialogInitReader::Next(DialogInitEntry* entry) {
  if (m_done) return false;
  const size_t left = m_size - m_offset;
  const uint8_t* at = m_data + m_offset;
  if (left >= END_MARKER_SIZE && Word(at) == 0) {
    m_done = true;
    return false;
  }
  if (left < ENTRY_HEADER_SIZE || Dword(at + 4) > left - ENTRY_HEADER_SIZE) {
    m_done = m_damaged = true;
    return false;
  }
  entry->control = Word(at);
  entry->message = CurrentMessage(Word(at + 2));
  entry->length = Dword(at + 4);
  entry->data = at + ENTRY_HEADER_SIZE;
  m_offset += ENTRY_HEADER_SIZE + entry->length;
  return true;
}

const char* DialogInitText(const DialogInitEntry& entry) {
  if (entry.data == nullptr || std::memchr(entry.data, 0, entry.length) == nullptr) return nullptr;
  return reinterpret_cast<const char*>(entry.data);
}
