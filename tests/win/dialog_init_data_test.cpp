// The walk of dialog initialisation data over whole, damaged and cut-off
// blocks. Natively this runs under AddressSanitizer, with every block in a
// heap buffer of exactly its size, so a read past the end is caught.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dialog_init_data.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Raw(uint16_t control, uint16_t message, uint32_t length, const std::string& data) {
  Bytes out = {static_cast<uint8_t>(control), static_cast<uint8_t>(control >> 8), static_cast<uint8_t>(message),
               static_cast<uint8_t>(message >> 8)};
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(length >> shift));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}
// A list item as the resource holds it: the text and its terminating NUL.
Bytes Item(uint16_t control, const std::string& text) {
  return Raw(control, DIALOG_INIT_CB_ADDSTRING, static_cast<uint32_t>(text.size() + 1), text + '\0');
}
const Bytes END = {0, 0};

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// One line per entry ("1003 0143 'None'"), then "end" or "damaged".
std::vector<std::string> Walk(const Bytes& block) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[block.size()]);
  std::copy(block.begin(), block.end(), exact.get());
  CDialogInitReader reader(exact.get(), block.size());
  std::vector<std::string> lines;
  DialogInitEntry entry;
  while (reader.Next(&entry)) {
    char line[64];
    const char* text = DialogInitText(entry);
    std::snprintf(line, sizeof(line), "%u %04x %s%s%s", entry.control, entry.message, text ? "'" : "<no text>",
                  text ? text : "", text ? "'" : "");
    lines.push_back(line);
  }
  lines.push_back(reader.Damaged() ? "damaged" : "end");
  return lines;
}

TEST(DialogInitDataTest, WalksWholeBlocksAndStopsAtTheFirstDamage) {
  const Bytes two = Join({Item(1003, "   Undo"), Item(1012, "Send Vol 1")});
  const struct {
    const char* why;
    Bytes block;
    std::vector<std::string> expected;
  } rows[] = {
      {"two items and the end marker", Join({two, END}), {"1003 0143 '   Undo'", "1012 0143 'Send Vol 1'", "end"}},
      {"bytes after the end marker are not read",
       Join({Item(1003, "A"), END, {0xFF, 0xFF, 0xFF}}),
       {"1003 0143 'A'", "end"}},
      {"16-bit era list messages",
       Join({Raw(1003, 0x0403, 2, {'A', 0}), Raw(1004, 0x0401, 2, {'B', 0}), END}),
       {"1003 0143 'A'", "1004 0180 'B'", "end"}},
      {"text without NUL is no text; the walk goes on",
       Join({Raw(1003, 0x0143, 3, "abc"), Item(1004, "B"), END}),
       {"1003 0143 <no text>", "1004 0143 'B'", "end"}},
      {"a length far past the end",
       Join({Item(1003, "A"), Raw(1004, 0x0143, 0xFFFFFFFF, "xy"), END}),
       {"1003 0143 'A'", "damaged"}},
      {"a length one past the end", Raw(1003, 0x0143, 5, {'A', 'B', 0, 0}), {"damaged"}},
      {"a cut-off header", Join({Item(1003, "A"), {0xEC, 0x03, 0x43, 0x01, 0x02}}), {"1003 0143 'A'", "damaged"}},
      {"no end marker", two, {"1003 0143 '   Undo'", "1012 0143 'Send Vol 1'", "damaged"}},
      {"half an end marker", Join({Item(1003, "A"), {0}}), {"1003 0143 'A'", "damaged"}},
      {"an empty block", {}, {"damaged"}},
  };
  for (const auto& row : rows) EXPECT_EQ(Walk(row.block), row.expected) << row.why;

  CDialogInitReader none(nullptr, 100);
  DialogInitEntry entry;
  EXPECT_FALSE(none.Next(&entry));
  EXPECT_TRUE(none.Damaged()) << "no data";
}

TEST(DialogInitDataTest, EveryCutOfAWholeBlockEndsDamaged) {
  const Bytes block = Join({Item(1003, "       None"), Raw(1004, 0x0143, 0, ""), Item(1016, "Send Pan 5"), END});
  for (size_t size = 0; size < block.size(); ++size) {
    const std::vector<std::string> lines =
        Walk(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(lines.back(), "damaged") << "cut at " << size;
  }
  EXPECT_EQ(Walk(block).back(), "end");
}

}  // namespace
