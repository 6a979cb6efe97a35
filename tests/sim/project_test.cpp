// The project file and the recorder: what is written reads back the same,
// and a line that cannot be taken is refused with its number.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "language/project.h"
#include "language/recorder.h"
#include "language/script.h"

namespace {

TEST(Project, ReadsBackWhatItWrites) {
  sim::Project out;
  out.surface = "{875363BB-FC50-4350-8E52-FFEF845D52E3}";
  out.hasSettings = true;
  for (size_t i = 0; i < sim::PROJECT_SETTINGS_SIZE; ++i) out.settings[i] = static_cast<uint8_t>(i * 7);
  sim::HostState& h = out.host;
  h.stripCount = 40;
  h.now = sim::HOST_TIME_MAX;
  h.punchIn = -3840;
  h.punchOut = 7680;
  h.recordMode = 1;
  h.takes = 2;
  h.markers = {sim::HOST_TIME_MIN, 0, 3840};
  h.strips[5] = {0.25f, 0.75f, 1.0f, 0.0f, 1.0f, {}, {}, {}};
  h.strips[127].sendVolume[7] = 0.5f;
  h.strips[9].armed[6][7] = true;
  const std::string text = sim::ProjectText(out);

  sim::Project in;
  std::string error;
  ASSERT_TRUE(sim::ParseProject("p.txt", text, &in, &error)) << error;
  EXPECT_EQ(sim::ProjectText(in), text);
  EXPECT_EQ(in.host.now, sim::HOST_TIME_MAX);
  EXPECT_TRUE(in.host.strips[9].armed[6][7]);
}

TEST(Project, RefusesALineWithItsNumber) {
  const std::string head = "TavrelSim project 1\nsurface {875363BB-FC50-4350-8E52-FFEF845D52E3}\n";
  const struct {
    const char* line;
    const char* error;
  } rows[] = {
      {"marker 9223372036854775807", "p.txt:3: marker time 9223372036854775807 is outside the host's times"},
      {"marker 99999999999999999999", "p.txt:3: marker time 99999999999999999999 is outside the host's times"},
      {"strip 128 volume 0 pan 0 mute 0 solo 0 arm 0", "p.txt:3: strip \"128\" is not valid"},
      {"send 3 9 volume 0 pan 0", "p.txt:3: send \"9\" is not valid"},
      {"strip 3 volume 2 pan 0 mute 0 solo 0 arm 0", "p.txt:3: volume \"2\" is not a level from 0 to 1"},
      {"armed 3 tempo 1", "p.txt:3: \"tempo\" is no parameter that can be armed"},
      {"settings 00", "p.txt:3: settings hold 30 bytes, found 1"},
  };
  for (const auto& row : rows) {
    sim::Project project;
    std::string error;
    EXPECT_FALSE(sim::ParseProject("p.txt", head + row.line + "\n", &project, &error)) << row.line;
    EXPECT_EQ(error.rfind(row.error, 0), 0u) << row.line << " gave " << error;
  }
}

TEST(Recorder, WritesAScriptThatParses) {
  const sim::ParseResult steps = sim::ParseScript("s.txt", "fader 3 64\nsnapshot a\nsave\nexpect display \"40\"\n");
  ASSERT_TRUE(steps.errors.empty());
  sim::Recorder recorder;
  for (const sim::Step& step : steps.steps) recorder.Step(step);
  recorder.Input(0x4003BF, nullptr, 12);
  recorder.Refresh();
  const std::vector<uint8_t> sysex = {0xF0, 0x7F, 0xF7};
  recorder.Input(0, &sysex, 0);
  const std::string path = testing::TempDir() + "recorded.txt";
  std::string error;
  ASSERT_TRUE(recorder.Write(path, &error)) << error;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(),
            "# recorded by TavrelSim\nfader 3 64\nexpect display \"40\"\nwait 12ms\nsend bf 03 40\nrefresh\n"
            "sysex f0 7f f7\n");
  EXPECT_TRUE(sim::ParseScript("r.txt", text.str()).errors.empty());
}

}  // namespace
