#include "language/words.h"

#include <charconv>
#include <cmath>

#include "model/controls.h"

namespace sim {

void Fail(const std::string& reason) { throw LineError(reason); }

void ForEachLine(const std::string& text, const std::function<void(int number, const std::string& code)>& read) {
  size_t start = 0;
  for (int number = 1; start <= text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string code = text.substr(start, std::min(text.find('#', start), end) - start);
    if (!code.empty() && code.back() == '\r') code.pop_back();
    read(number, code);
    if (end == text.size()) break;
    start = end + 1;
  }
}

bool ParseWhole(const std::string& text, long long* value) {
  const char* first = text.data() + (text.size() > 1 && text[0] == '+' ? 1 : 0);
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, *value);
  return !text.empty() && error == std::errc() && end == last;
}

Words::Words(const std::string& line) {
  size_t i = 0;
  auto space = [&line](size_t at) { return line[at] == ' ' || line[at] == '\t' || line[at] == '\r'; };
  while (i < line.size()) {
    if (space(i)) {
      ++i;
    } else if (line[i] == '"') {
      const size_t end = line.find('"', i + 1);
      if (end == std::string::npos) Fail("unterminated quoted text");
      m_words.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && !space(end)) ++end;
      m_words.push_back(line.substr(i, end - i));
      i = end;
    }
  }
}

const std::string& Words::Peek() const {
  static const std::string kNone;
  return More() ? m_words[m_next] : kNone;
}

std::string Words::Take(const char* what) {
  if (!More()) Fail(std::string("missing ") + what);
  return m_words[m_next++];
}

bool Words::TakeIf(const char* word) {
  if (!More() || !SameWord(m_words[m_next], word)) return false;
  ++m_next;
  return true;
}

void Words::Expect(const char* word) {
  if (!TakeIf(word)) Fail(std::string("expected \"") + word + "\"");
}

std::string Words::Rest() {
  std::string rest;
  while (More()) rest += (rest.empty() ? "" : " ") + m_words[m_next++];
  return rest;
}

std::string Words::TakeName(const char* what) {
  if (m_words.size() < m_next + 2) Fail(std::string("missing ") + what + " and what follows it");
  std::string name;
  while (m_next + 1 < m_words.size()) name += (name.empty() ? "" : " ") + m_words[m_next++];
  return name;
}

bool Words::TakeTrailingIf(const char* word, std::string* value) {
  const size_t n = m_words.size();
  if (n < m_next + 2) return false;
  if (!SameWord(m_words[n - 2], word)) return false;
  *value = m_words[n - 1];
  m_words.resize(n - 2);
  return true;
}

void Words::End() const {
  if (More()) Fail("unexpected \"" + m_words[m_next] + "\"");
}

long long Words::Int(const char* what, long long low, long long high) {
  const std::string word = Take(what);
  long long value = 0;
  if (!ParseWhole(word, &value)) {
    const bool digits = word.find_first_not_of("+-0123456789") == std::string::npos && !word.empty();
    Fail(std::string(what) + (digits ? " " + word + " is outside " : " is not a whole number: \"" + word + "\"") +
         (digits ? std::to_string(low) + ".." + std::to_string(high) : ""));
  }
  if (value < low || value > high)
    Fail(std::string(what) + " " + word + " is outside " + std::to_string(low) + ".." + std::to_string(high));
  return value;
}

double Words::Real(const char* what, double low, double high) {
  const std::string word = Take(what);
  double value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
    Fail(std::string(what) + " is not a number: \"" + word + "\"");
  if (value < low || value > high) Fail(std::string(what) + " " + word + " is outside the range it can take");
  return value;
}

bool Words::OnOff() {
  const std::string word = Take("on or off");
  if (SameWord(word, "on")) return true;
  if (SameWord(word, "off")) return false;
  Fail("expected on or off, found \"" + word + "\"");
}

int Words::Duration(int maxMs) {
  const std::string word = Take("a time such as 250ms");
  double value = -1;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  const std::string unit = error == std::errc() ? std::string(end, word.data() + word.size()) : "";
  const double ms = unit == "ms" ? value : unit == "s" ? value * 1000 : -1;
  if (!(ms >= 0 && ms <= maxMs))
    Fail("\"" + word + "\" is not a time from 0ms to " + std::to_string(maxMs / 1000) + "s");
  return static_cast<int>(ms);
}

uint8_t Words::Byte() {
  const std::string word = Take("a hex byte");
  unsigned value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
  if (word.empty() || word.size() > 2 || error != std::errc() || end != word.data() + word.size())
    Fail("\"" + word + "\" is not a hex byte");
  return static_cast<uint8_t>(value);
}

}  // namespace sim
