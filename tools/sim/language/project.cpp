#include "language/project.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <vector>

#include "language/words.h"

namespace sim {
namespace {

constexpr const char kMagic[] = "TavrelSim project 1";
const char* const kParams[HOST_ARMABLE_COUNT] = {"volume", "pan", "mute", "solo", "arm", "send-volume", "send-pan"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// A tick count within the host's times.
long long Time(Words& in, const char* what) {
  const std::string word = in.Take(what);
  long long value = 0;
  if (word.find_first_not_of("+-0123456789") != std::string::npos || word.empty())
    Fail(std::string(what) + " \"" + word + "\" is not a tick count");
  if (!ParseWhole(word, &value) || value < HOST_TIME_MIN || value > HOST_TIME_MAX)
    Fail(std::string(what) + " " + word + " is outside the host's times (" + std::to_string(HOST_TIME_MIN) + " to " +
         std::to_string(HOST_TIME_MAX) + " ticks)");
  return value;
}

int Count(Words& in, const char* what, long long low, long long high) {
  const std::string word = in.Take(what);
  long long value = 0;
  if (!ParseWhole(word, &value) || value < low || value > high)
    Fail(std::string(what) + " \"" + word + "\" is not valid");
  return static_cast<int>(value);
}

float Level(Words& in, const char* what) {
  const std::string word = in.Take(what);
  Words one({word});
  try {
    return static_cast<float>(one.Real(what, 0.0, 1.0));
  } catch (const LineError&) {
    Fail(std::string(what) + " \"" + word + "\" is not a level from 0 to 1");
  }
}

float Named(Words& in, const char* name) {
  in.Expect(name);
  return Level(in, name);
}

HostStrip& Strip(Words& in, Project& p) { return p.host.strips[Count(in, "strip", 0, HOST_MAX_STRIPS - 1)]; }

void Settings(Words& in, Project& p) {
  for (size_t i = 0; i < PROJECT_SETTINGS_SIZE; ++i) {
    if (!in.More()) Fail("settings hold 30 bytes, found " + std::to_string(i));
    p.settings[i] = in.Byte();
  }
  p.hasSettings = true;
}

void Transport(Words& in, Project& p) {
  HostState& h = p.host;
  in.Expect("now");
  h.now = Time(in, "now time");
  in.Expect("punch-in");
  h.punchIn = Time(in, "punch-in time");
  in.Expect("punch-out");
  h.punchOut = Time(in, "punch-out time");
  in.Expect("record-mode");
  const std::string mode = in.More() ? in.Take("a record mode") : "";
  if (mode != "overwrite" && mode != "sos") Fail("record-mode is overwrite or sos");
  h.recordMode = mode == "sos";
  in.Expect("takes");
  h.takes = Count(in, "takes", 0, 1000000);
}

void Marker(Words& in, Project& p) {
  const long long marker = Time(in, "marker time");
  if (!p.host.markers.empty() && marker < p.host.markers.back()) Fail("markers must be in time order");
  p.host.markers.push_back(marker);
}

void StripLine(Words& in, Project& p) {
  HostStrip& s = Strip(in, p);
  s.volume = Named(in, "volume");
  s.pan = Named(in, "pan");
  s.mute = Named(in, "mute");
  s.solo = Named(in, "solo");
  s.arm = Named(in, "arm");
}

void Send(Words& in, Project& p) {
  HostStrip& s = Strip(in, p);
  const int send = Count(in, "send", 1, HOST_SENDS) - 1;
  in.Expect("volume");
  s.sendVolume[send] = Level(in, "send volume");
  in.Expect("pan");
  s.sendPan[send] = Level(in, "send pan");
}

void Armed(Words& in, Project& p) {
  HostStrip& s = Strip(in, p);
  const std::string param = in.More() ? in.Take("a parameter") : "";
  for (int row = 0; row < HOST_ARMABLE_COUNT; ++row)
    if (param == kParams[row]) {
      s.armed[row][Count(in, "index", 1, HOST_SENDS) - 1] = true;
      return;
    }
  Fail("\"" + param + "\" is no parameter that can be armed");
}

struct Keyword {
  const char* word;
  void (*read)(Words&, Project&);
};

const Keyword kKeywords[] = {
    {"surface", [](Words& in, Project& p) { p.surface = in.Take("the surface's CLSID"); }},
    {"settings", Settings},
    {"strips", [](Words& in, Project& p) { p.host.stripCount = Count(in, "strip count", 0, HOST_MAX_STRIPS); }},
    {"transport", Transport},
    {"marker", Marker},
    {"strip", StripLine},
    {"send", Send},
    {"armed", Armed},
};

void ReadLine(const std::string& code, Project& project, bool* sawSurface) {
  Words in(code);
  if (!in.More()) return;
  const std::string keyword = in.Take("a keyword");
  for (const Keyword& row : kKeywords)
    if (keyword == row.word) {
      row.read(in, project);
      in.End();
      *sawSurface = *sawSurface || keyword == "surface";
      return;
    }
  Fail("unknown line \"" + keyword + "\"");
}

}  // namespace

std::string ProjectText(const Project& project) {
  std::ostringstream out;
  const HostState& h = project.host;
  const HostStrip defaults;
  out << kMagic << "\n";
  out << "surface " << project.surface << "\n";
  if (project.hasSettings) {
    out << "settings";
    for (uint8_t byte : project.settings) {
      char text[4];
      std::snprintf(text, sizeof text, " %02x", byte);
      out << text;
    }
    out << "\n";
  }
  out << "strips " << h.stripCount << "\n";
  out << "transport now " << h.now << " punch-in " << h.punchIn << " punch-out " << h.punchOut << " record-mode "
      << (h.recordMode ? "sos" : "overwrite") << " takes " << h.takes << "\n";
  for (int64_t marker : h.markers) out << "marker " << marker << "\n";
  for (int i = 0; i < HOST_MAX_STRIPS; ++i) {
    const HostStrip& s = h.strips[i];
    if (s.volume != defaults.volume || s.pan != defaults.pan || s.mute != 0 || s.solo != 0 || s.arm != 0)
      out << "strip " << i << " volume " << Number(s.volume) << " pan " << Number(s.pan) << " mute " << Number(s.mute)
          << " solo " << Number(s.solo) << " arm " << Number(s.arm) << "\n";
    for (int send = 0; send < HOST_SENDS; ++send)
      if (s.sendVolume[send] != defaults.sendVolume[send] || s.sendPan[send] != defaults.sendPan[send])
        out << "send " << i << " " << send + 1 << " volume " << Number(s.sendVolume[send]) << " pan "
            << Number(s.sendPan[send]) << "\n";
    for (int row = 0; row < HOST_ARMABLE_COUNT; ++row)
      for (int index = 0; index < HOST_SENDS; ++index)
        if (s.armed[row][index]) out << "armed " << i << " " << kParams[row] << " " << index + 1 << "\n";
  }
  return out.str();
}

bool ParseProject(const std::string& file, const std::string& text, Project* project, std::string* error) {
  std::string first;  // the first mistake is the one reported
  bool sawSurface = false;
  auto refuse = [&](int number, const char* why) {
    if (first.empty()) first = file + ":" + std::to_string(number) + ": " + why;
  };
  if (text.empty()) refuse(0, "the file is empty");
  int lines = 0;
  ForEachLine(text, [&](int number, const std::string& code) {
    lines = number;
    if (!first.empty()) return;
    try {
      if (number == 1 && code != kMagic)
        Fail("not a TavrelSim project: the first line is not \"" + std::string(kMagic) + "\"");
      if (number > 1) ReadLine(code, *project, &sawSurface);
    } catch (const LineError& bad) {
      refuse(number, bad.what());
    }
  });
  if (!sawSurface) refuse(lines, "no surface line: which surface's settings are these?");
  *error = first;
  return first.empty();
}

void RestoreProjectHost(const HostState& stored, HostState* state) {
  state->stripCount = stored.stripCount;
  std::copy(std::begin(stored.strips), std::end(stored.strips), std::begin(state->strips));
  state->now = stored.now;
  state->punchIn = stored.punchIn;
  state->punchOut = stored.punchOut;
  state->recordMode = stored.recordMode;
  state->takes = stored.takes;
  state->markers = stored.markers;
}

}  // namespace sim
