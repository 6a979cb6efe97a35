// One reader of words and numbers for every file the simulator reads:
// scripts and window tests, projects and captures. A line's mistake is a
// LineError, caught per line and reported as "file:line: reason".
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

struct LineError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& reason);

// Calls `read` with each line's number and its text before any '#' (and
// without a trailing CR), blank lines included.
void ForEachLine(const std::string& text, const std::function<void(int number, const std::string& code)>& read);

// A whole number in `text`, or false: decimal, an optional sign, nothing else.
bool ParseWhole(const std::string& text, long long* value);

// The words of a line; "quoted text" is one word (without its quotes).
class Words {
 public:
  explicit Words(const std::string& line);
  explicit Words(std::vector<std::string> words) : m_words(std::move(words)) {}

  bool More() const { return m_next < m_words.size(); }
  const std::string& Peek() const;
  std::string Take(const char* what);
  // Takes the next word when it is `word` (any case).
  bool TakeIf(const char* word);
  // Fails unless the next word is `word`.
  void Expect(const char* word);
  // The words left, joined by single spaces.
  std::string Rest();
  // All the words left but the last, joined: a name of several words before
  // one more argument ("drag fader 5 100", "expect drawn arrow up on").
  std::string TakeName(const char* what);
  // When the line ends in `word VALUE` ("... within 2s"), takes both off the
  // end and gives VALUE.
  bool TakeTrailingIf(const char* word, std::string* value);
  // Fails when words are left.
  void End() const;

  // Numbers, range-checked: "strip 128 is outside 0..127".
  long long Int(const char* what, long long low, long long high);
  double Real(const char* what, double low, double high);
  bool OnOff();
  // "250ms", "2s", "1.5s", from 0 to `maxMs`.
  int Duration(int maxMs = 60000);
  // Two hex digits.
  uint8_t Byte();

 private:
  std::vector<std::string> m_words;
  size_t m_next = 0;
};

}  // namespace sim
