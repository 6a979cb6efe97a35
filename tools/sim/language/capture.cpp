#include "language/capture.h"

#include <cctype>
#include <cstdio>

#include "language/words.h"

namespace sim {
namespace {

bool IsText(const std::string& content) {
  for (unsigned char c : content)
    if (c >= 0x80 || (c < 0x20 && c != '\n' && c != '\r' && c != '\t')) return false;
  return true;
}

bool AllHex(const std::string& token) {
  for (char c : token)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return !token.empty();
}

}  // namespace

namespace {

// One line of a hex dump: an optional time, an optional offset column, then
// bytes, in pairs or in runs of pairs written without spaces.
void ReadDumpLine(Capture& capture, int number, const std::string& code, int64_t* now) {
  Words words(code.substr(0, code.find('|')));
  auto add = [&](const std::string& pair) {
    capture.bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    capture.atMs.push_back(*now);
    capture.line.push_back(number);
  };
  const std::string& lead = words.Peek();
  long long ms = 0;
  if (lead.size() > 3 && lead[0] == '+' && lead.compare(lead.size() - 2, 2, "ms") == 0 &&
      ParseWhole(lead.substr(1, lead.size() - 3), &ms) && ms >= 0 && ms <= 999999999) {
    *now += ms;
    capture.timed = true;
    words.Take("a time");
  }
  // An offset column ends with a colon ("00000010:") or is the 7 or 8 digits
  // of hexdump and od (their last line is the length alone); any other run of
  // hex digits is bytes written without spaces ("bf0340").
  const std::string& offset = words.Peek();
  if ((offset.size() > 1 && offset.size() <= 17 && offset.back() == ':' &&
       AllHex(offset.substr(0, offset.size() - 1))) ||
      ((offset.size() == 7 || offset.size() == 8) && AllHex(offset)))
    words.Take("an offset");
  while (words.More()) {
    const std::string token = words.Take("a byte");
    if (token.size() % 2 == 0 && AllHex(token)) {
      for (size_t pair = 0; pair < token.size(); pair += 2) add(token.substr(pair, 2));
      continue;
    }
    capture.errors.push_back("line " + std::to_string(number) + ": \"" + token + "\" is not a hex byte; skipped");
  }
}

}  // namespace

Capture ParseCapture(const std::string& content) {
  Capture capture;
  if (!IsText(content) || content.empty()) {
    capture.bytes.assign(content.begin(), content.end());
    return capture;
  }
  capture.text = true;
  int64_t now = 0;
  ForEachLine(content, [&](int number, const std::string& code) {
    try {
      ReadDumpLine(capture, number, code, &now);
    } catch (const LineError& error) {  // a quote opened and never closed
      capture.errors.push_back("line " + std::to_string(number) + ": " + error.what() + "; skipped");
    }
  });
  return capture;
}

std::string Where(const Capture& capture, size_t offset) {
  std::string text = "byte " + std::to_string(offset);
  if (offset < capture.line.size()) text += " (line " + std::to_string(capture.line[offset]) + ")";
  return text;
}

void CaptureWriter::Add(int64_t ms, const uint8_t* bytes, size_t length) {
  char item[32];
  std::snprintf(item, sizeof item, "+%lldms", static_cast<long long>(ms - m_last));
  m_last = ms;
  m_text += item;
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(item, sizeof item, " %02x", bytes[i]);
    m_text += item;
  }
  m_text += "\n";
}

}  // namespace sim
