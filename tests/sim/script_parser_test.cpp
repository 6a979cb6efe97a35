// The script parser's answers to lines it must refuse, and one of each kind
// of line it must take: what no example script can show, since a script
// with a bad line never runs.
#include <gtest/gtest.h>

#include "language/script.h"

namespace {

struct Row {
  const char* line;
  const char* error;  // expected part of the message; null: the line parses
};

const Row kRows[] = {
    {"fader 3 0..127 over 300ms", nullptr},
    {"press mute 3", nullptr},
    {"hold store", nullptr},
    {"expect host volume 3 0.504", nullptr},
    {"expect command \"next measure\"", nullptr},
    {"sysex f0 7f 00 06 47 03 41 05 00 f7", nullptr},
    {"refresh 11 kind 4", nullptr},
    {"option F1 \"Rec. Mode SOS\"", nullptr},
    {"fader 32 10", "fader 32 is outside 0..31"},          // a strip outside the window
    {"fader 3 128", "value 128 is outside 0..127"},        // a value outside the surface
    {"host volume 128 0.5", "host strip 128 is outside"},  // the host has 128 strips
    {"press mute", "missing strip position"},
    {"press F10", "no control is called \"F10\""},
    {"hold mute 3", "only keys can be held"},
    {"press fader 3", "fader is not a button or key"},
    {"knob F 10", "no control is called \"F\""},
    {"jog 64", "detents 64 is outside -63..63"},
    {"shuttle 8192", "outside -8191..8191"},
    {"wait 5", "is not a time"},
    {"send bf 03", "missing a hex byte"},
    {"send bf 03 4g", "\"4g\" is not a hex byte"},
    {"expect led mute 3 maybe", "expected on or off"},
    {"expect display \"123\"", "two characters"},
    {"expect command fly", "no command \"fly\""},
    {"option F1 Teleport", "no function command"},
    {"option cursor sideways", "cursor is measure or bank"},
    {"say \"unfinished", "unterminated quoted text"},
    {"press F1 now", "unexpected \"now\""},
    {"dance", "unknown step \"dance\""},
    {"expect led play on within 2s", nullptr},
    {"expect display \"--\" within 500ms", nullptr},
    {"port in \"Tavrel Loop A\"", nullptr},
    {"port out none", nullptr},
    {"expect led play on within", "unexpected \"within\""},  // within needs its time
    {"expect led play on within 0ms", "within takes a time above 0"},
    {"expect no command within 1s", "takes no within"},
    {"port sideways 1", "port in NAME or port out NAME"},
};

// The surface alone (--surface) has no host in its process: its scripts take
// every step of the surface and refuse, with their line, the host's.
TEST(ScriptParser, TheSurfaceAloneRefusesTheHostsSteps) {
  const struct {
    const char* line;
    bool parses;
  } rows[] = {
      {"fader 3 0..127 over 300ms", true},
      {"expect arrow up within 5s", true},
      {"port out 1", true},
      {"snapshot lights", true},
      {"wait 1s", true},
      {"host mute 3 on", false},
      {"refresh", false},
      {"option cursor bank", false},
      {"save", false},
      {"expect host playing", false},
      {"expect command stop", false},
      {"expect now 0", false},
  };
  for (const auto& row : rows) {
    const sim::ParseResult result = sim::ParseScript("s.txt", row.line, false, false);
    EXPECT_EQ(result.errors.empty(), row.parses) << row.line;
    if (!row.parses && !result.errors.empty()) {
      EXPECT_NE(result.errors[0].find("s.txt:1: "), std::string::npos) << result.errors[0];
    }
  }
  const sim::ParseResult window = sim::ParseScript("w.txt", "mixer 2 mute\nexpect monitor in\n", true, false);
  ASSERT_EQ(window.errors.size(), 1u);
  EXPECT_NE(window.errors[0].find("w.txt:1: \"mixer\" needs the host"), std::string::npos) << window.errors[0];
}

TEST(ScriptParser, AnswersEveryLine) {
  for (const Row& row : kRows) {
    const sim::ParseResult result = sim::ParseScript("s.txt", std::string("# first line\n\n") + row.line + "\n");
    if (row.error == nullptr) {
      EXPECT_TRUE(result.errors.empty()) << row.line << ": " << (result.errors.empty() ? "" : result.errors[0]);
      EXPECT_EQ(result.steps.size(), 1u) << row.line;
    } else {
      ASSERT_EQ(result.errors.size(), 1u) << row.line;
      EXPECT_NE(result.errors[0].find("s.txt:3: "), std::string::npos) << result.errors[0];
      EXPECT_NE(result.errors[0].find(row.error), std::string::npos) << row.line << " gave " << result.errors[0];
    }
  }
}

TEST(ScriptParser, ReportsEveryBadLineAndKeepsNone) {
  const sim::ParseResult result = sim::ParseScript("s.txt", "press F1\nfader 99 1\npress F2\njog x\n");
  ASSERT_EQ(result.errors.size(), 2u);
  EXPECT_EQ(result.errors[0].rfind("s.txt:2: ", 0), 0u);
  EXPECT_EQ(result.errors[1].rfind("s.txt:4: ", 0), 0u);
}

}  // namespace
