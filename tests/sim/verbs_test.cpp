// The verb table against the simulator's document, and the window test's
// steps: parsed in a window test, refused in a script.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "language/script.h"

namespace {

// The first word of every example in the document's step table.
std::set<std::string> DocumentedVerbs() {
  std::ifstream in(SIM_DOCUMENT);
  std::set<std::string> verbs;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| step | what it does |", 0) == 0) inTable = true;
    if (!inTable) continue;
    if (line.rfind("|", 0) != 0) break;
    const std::string examples = line.substr(1, line.find('|', 1) - 1);
    for (size_t tick = examples.find('`'); tick != std::string::npos; tick = examples.find('`', tick + 1)) {
      const size_t end = examples.find('`', tick + 1);
      verbs.insert(examples.substr(tick + 1, examples.find_first_of(" `", tick + 1) - tick - 1));
      tick = end;
    }
  }
  return verbs;
}

TEST(Verbs, TheDocumentShowsEveryVerbAndNoOther) {
  std::set<std::string> table;
  for (const sim::Verb& verb : sim::Verbs()) table.insert(verb.name);
  EXPECT_EQ(DocumentedVerbs(), table);
}

TEST(Verbs, WindowStepsParseOnlyInAWindowTest) {
  const struct {
    const char* line;
    const char* error;  // in a window test; null: it parses
  } rows[] = {
      {"click play", nullptr},
      {"click knob-strip 3", nullptr},
      {"drag fader 5 100", nullptr},
      {"menu detach", nullptr},
      {"properties F1 1", nullptr},
      {"mixer 2 volume 0.25", nullptr},
      {"mixer 31 auto", nullptr},
      {"pause 5000", nullptr},
      {"expect drawn arrow up on", nullptr},
      {"click led58", "led58 is a light"},
      {"click mute 32", "no control is called \"mute 32\""},
      {"drag mute 3 100", "only faders drag"},
      {"menu fly", "no menu command \"fly\""},
      {"properties F10 1", "F1..F9"},
      {"mixer 32 mute", "console row 32 is outside 0..31"},
      {"mixer 2 volume loud", "level is not a number"},
      {"pause soon", "milliseconds is not a whole number"},
      {"expect drawn F1 on", "no light is called \"F1\""},
  };
  for (const auto& row : rows) {
    const sim::ParseResult window = sim::ParseScript("w.txt", row.line, true);
    if (row.error == nullptr) {
      EXPECT_TRUE(window.errors.empty()) << row.line << ": " << (window.errors.empty() ? "" : window.errors[0]);
      const sim::ParseResult script = sim::ParseScript("s.txt", row.line);
      ASSERT_EQ(script.errors.size(), 1u) << row.line;
      EXPECT_NE(script.errors[0].find("only in --window-test"), std::string::npos) << script.errors[0];
    } else {
      ASSERT_EQ(window.errors.size(), 1u) << row.line;
      EXPECT_NE(window.errors[0].find(row.error), std::string::npos) << row.line << " gave " << window.errors[0];
    }
  }
  // "click play" is the play key, as "press play" is.
  const sim::ParseResult click = sim::ParseScript("w.txt", "click play\npress play\n", true);
  ASSERT_EQ(click.steps.size(), 2u);
  EXPECT_EQ(click.steps[0].control, click.steps[1].control);
}

}  // namespace
