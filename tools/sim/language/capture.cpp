#include "language/capture.h"

#include <cctype>
#include <cstdio>

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

Capture ParseCapture(const std::string& content) {
  Capture capture;
  if (!IsText(content) || content.empty()) {
    capture.bytes.assign(content.begin(), content.end());
    return capture;
  }
  capture.text = true;
  int64_t now = 0;
  size_t start = 0;
  for (int lineNumber = 1; start <= content.size(); ++lineNumber) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    line = line.substr(0, line.find('#'));
    line = line.substr(0, line.find('|'));
    size_t at = 0;
    bool first = true;
    auto addByte = [&](const std::string& pair) {
      capture.bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
      capture.atMs.push_back(now);
      capture.line.push_back(lineNumber);
    };
    while (at < line.size()) {
      while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
      if (at >= line.size()) break;
      size_t stop = at;
      while (stop < line.size() && !std::isspace(static_cast<unsigned char>(line[stop]))) ++stop;
      std::string token = line.substr(at, stop - at);
      at = stop;
      const bool wasFirst = first;
      first = false;
      if (token.size() == 2 && AllHex(token)) {
        addByte(token);
        continue;
      }
      if (wasFirst && token.size() > 3 && token[0] == '+' && token.compare(token.size() - 2, 2, "ms") == 0) {
        const std::string digits = token.substr(1, token.size() - 3);
        if (digits.size() <= 9 && AllHex(digits) && digits.find_first_not_of("0123456789") == std::string::npos) {
          now += std::stol(digits);
          capture.timed = true;
          first = true;  // an offset may follow the time
          continue;
        }
      }
      // An offset column ends with a colon ("00000010:") or is the 7 or 8
      // digits of hexdump and od (their last line is the length alone); any
      // other run of hex digits is bytes written without spaces ("bf0340").
      if (wasFirst && token.size() > 1 && token.size() <= 17 && token.back() == ':' &&
          AllHex(token.substr(0, token.size() - 1)))
        continue;
      if (wasFirst && (token.size() == 7 || token.size() == 8) && AllHex(token)) continue;
      if (token.size() % 2 == 0 && AllHex(token)) {
        for (size_t pair = 0; pair < token.size(); pair += 2) addByte(token.substr(pair, 2));
        continue;
      }
      capture.errors.push_back("line " + std::to_string(lineNumber) + ": \"" + token + "\" is not a hex byte; skipped");
    }
    if (end == content.size()) break;
  }
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
