// Draws typed values from a fuzzer's input, front to back; once the input is
// used up every value is zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  bool empty() const { return m_pos >= m_size; }
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
  }
  float Float() {
    const uint32_t bits = Word();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // The rest of the input, at most `max` bytes.
  size_t Take(size_t max, const uint8_t** bytes) {
    const size_t n = m_size - m_pos < max ? m_size - m_pos : max;
    *bytes = m_data + m_pos;
    m_pos += n;
    return n;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};
