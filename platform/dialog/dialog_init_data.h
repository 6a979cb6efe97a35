// Dialog initialisation data: a resource of type 240, with the id of its
// dialog template, that lists messages the dialog sends to its own controls
// when it initialises (the items of its combo and list boxes). The layout is
// the classic dialog framework's: packed little-endian entries of
//   WORD control id, WORD message, DWORD length, `length` bytes of data
// (for the list messages the item's text with its terminating NUL), ended by
// a WORD 0. Portable: no Windows headers, so the walk is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint16_t DIALOG_INIT_RESOURCE_TYPE = 240;
inline constexpr uint16_t DIALOG_INIT_LB_ADDSTRING = 0x0180;
inline constexpr uint16_t DIALOG_INIT_CB_ADDSTRING = 0x0143;

struct DialogInitEntry {
  uint16_t control;
  uint16_t message;     // 16-bit era message numbers already translated
  const uint8_t* data;  // inside the walked block
  uint32_t length;
};

// Walks a block entry by entry. It never reads outside the block: an entry
// whose header or data would run past its end, or a block that ends without
// the end marker, stops the walk and counts as damaged.
class CDialogInitReader {
 public:
  CDialogInitReader(const void* data, size_t size);

  // The next entry; false at the end marker or at the first damage.
  bool Next(DialogInitEntry* entry);
  bool Damaged() const { return m_damaged; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_offset = 0;
  bool m_done = false;
  bool m_damaged = false;
};

// The entry's data as text (up to its first NUL), or null when the data holds
// no NUL, so a control is never handed a string that runs past the entry.
const char* DialogInitText(const DialogInitEntry& entry);
