#include "language/project.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <vector>

namespace sim {
namespace {

constexpr const char kMagic[] = "TavrelSim project 1";
const char* const kParams[HOST_ARMABLE_COUNT] = {"volume", "pan", "mute", "solo", "arm", "send-volume", "send-pan"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

struct BadLine {
  std::string reason;
};

long Int(std::istringstream& in, const char* what, long low, long high) {
  std::string word;
  if (!(in >> word)) throw BadLine{std::string("missing ") + what};
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (*end != '\0' || value < low || value > high) throw BadLine{std::string(what) + " \"" + word + "\" is not valid"};
  return value;
}

long long Time(std::istringstream& in, const char* what) {
  std::string word;
  if (!(in >> word)) throw BadLine{std::string("missing ") + what};
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(word.c_str(), &end, 10);
  if (*end != '\0' || word.empty()) throw BadLine{std::string(what) + " \"" + word + "\" is not a tick count"};
  if (errno == ERANGE || value < HOST_TIME_MIN || value > HOST_TIME_MAX)
    throw BadLine{std::string(what) + " " + word + " is outside the host's times (" + std::to_string(HOST_TIME_MIN) +
                  " to " + std::to_string(HOST_TIME_MAX) + " ticks)"};
  return value;
}

float Level(std::istringstream& in, const char* what) {
  std::string word;
  if (!(in >> word)) throw BadLine{std::string("missing ") + what};
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (*end != '\0' || !(value >= 0.0 && value <= 1.0))
    throw BadLine{std::string(what) + " \"" + word + "\" is not a level from 0 to 1"};
  return static_cast<float>(value);
}

void Keyword(std::istringstream& in, const char* expected) {
  std::string word;
  if (!(in >> word) || word != expected) throw BadLine{std::string("expected \"") + expected + "\""};
}

void NoMore(std::istringstream& in) {
  std::string word;
  if (in >> word) throw BadLine{"unexpected \"" + word + "\""};
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
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  bool sawSurface = false;
  try {
    while (std::getline(lines, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (number == 1) {
        if (line != kMagic)
          throw BadLine{"not a TavrelSim project: the first line is not \"" + std::string(kMagic) + "\""};
        continue;
      }
      if (line.empty() || line[0] == '#') continue;
      std::istringstream in(line);
      std::string keyword;
      in >> keyword;
      HostState& h = project->host;
      if (keyword == "surface") {
        if (!(in >> project->surface)) throw BadLine{"missing the surface's CLSID"};
        sawSurface = true;
      } else if (keyword == "settings") {
        for (size_t i = 0; i < PROJECT_SETTINGS_SIZE; ++i) {
          std::string word;
          if (!(in >> word)) throw BadLine{"settings hold 30 bytes, found " + std::to_string(i)};
          char* end = nullptr;
          const long value = std::strtol(word.c_str(), &end, 16);
          if (*end != '\0' || word.size() != 2 || value < 0) throw BadLine{"\"" + word + "\" is not a hex byte"};
          project->settings[i] = static_cast<uint8_t>(value);
        }
        project->hasSettings = true;
      } else if (keyword == "strips") {
        h.stripCount = static_cast<int>(Int(in, "strip count", 0, HOST_MAX_STRIPS));
      } else if (keyword == "transport") {
        Keyword(in, "now");
        h.now = Time(in, "now time");
        Keyword(in, "punch-in");
        h.punchIn = Time(in, "punch-in time");
        Keyword(in, "punch-out");
        h.punchOut = Time(in, "punch-out time");
        Keyword(in, "record-mode");
        std::string mode;
        in >> mode;
        if (mode != "overwrite" && mode != "sos") throw BadLine{"record-mode is overwrite or sos"};
        h.recordMode = mode == "sos";
        Keyword(in, "takes");
        h.takes = static_cast<int>(Int(in, "takes", 0, 1000000));
      } else if (keyword == "marker") {
        const long long marker = Time(in, "marker time");
        if (!h.markers.empty() && marker < h.markers.back()) throw BadLine{"markers must be in time order"};
        h.markers.push_back(marker);
      } else if (keyword == "strip") {
        HostStrip& s = h.strips[Int(in, "strip", 0, HOST_MAX_STRIPS - 1)];
        Keyword(in, "volume");
        s.volume = Level(in, "volume");
        Keyword(in, "pan");
        s.pan = Level(in, "pan");
        Keyword(in, "mute");
        s.mute = Level(in, "mute");
        Keyword(in, "solo");
        s.solo = Level(in, "solo");
        Keyword(in, "arm");
        s.arm = Level(in, "arm");
      } else if (keyword == "send") {
        HostStrip& s = h.strips[Int(in, "strip", 0, HOST_MAX_STRIPS - 1)];
        const long send = Int(in, "send", 1, HOST_SENDS) - 1;
        Keyword(in, "volume");
        s.sendVolume[send] = Level(in, "send volume");
        Keyword(in, "pan");
        s.sendPan[send] = Level(in, "send pan");
      } else if (keyword == "armed") {
        HostStrip& s = h.strips[Int(in, "strip", 0, HOST_MAX_STRIPS - 1)];
        std::string param;
        in >> param;
        int row = -1;
        for (int r = 0; r < HOST_ARMABLE_COUNT; ++r)
          if (param == kParams[r]) row = r;
        if (row < 0) throw BadLine{"\"" + param + "\" is no parameter that can be armed"};
        s.armed[row][Int(in, "index", 1, HOST_SENDS) - 1] = true;
      } else {
        throw BadLine{"unknown line \"" + keyword + "\""};
      }
      NoMore(in);
    }
    if (number == 0) throw BadLine{"the file is empty"};
    if (!sawSurface) throw BadLine{"no surface line: which surface's settings are these?"};
  } catch (const BadLine& bad) {
    *error = file + ":" + std::to_string(number) + ": " + bad.reason;
    return false;
  }
  return true;
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
