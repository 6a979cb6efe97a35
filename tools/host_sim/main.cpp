// A small console host: attaches the surface object to the recording host,
// plays a short scripted session of surface gestures, and prints what the
// host received and what the surface would show after each step.
#include <cstdio>
#include <string>
#include <vector>

#include "fake_host.h"
#include "midi_map.h"
#include "surface_view.h"
#include "tavrel.h"

using namespace midi;

namespace {

struct Step {
  const char* what;
  enum { Refresh, Short } kind;
  uint8_t status, controller, value;
};

const Step kScript[] = {
    {"first refresh: reset and switch the surface off", Step::Refresh, 0, 0, 0},
    {"fader 3 moved to 64 (host volume is 0.5)", Step::Short, STATUS_CH16, 3, 64},
    {"fader 3 moved to 100", Step::Short, STATUS_CH16, 3, 100},
    {"mute pressed on strip 3", Step::Short, STATUS_CH14, CC_MUTE_FIRST + 3, 127},
    {"refresh", Step::Refresh, 0, 0, 0},
    {"F1 pressed", Step::Short, STATUS_CH15, CC_FUNCTION_F1, 127},
    {"host starts playing; refresh", Step::Refresh, 0, 0, 0},
};

}  // namespace

int main() {
  FakeHost host;
  host.stripCount = 16;
  host.SetParamValue(3, MIX_PARAM_VOL, 0, 0.5f);
  auto* surface = new CTavrel;
  if (FAILED(surface->AttachHost(&host, 0))) {
    std::printf("attach failed\n");
    return 1;
  }
  SurfaceView view;
  size_t seen = 0;
  for (const Step& step : kScript) {
    if (std::string(step.what).rfind("host starts playing", 0) == 0) host.SetTransportState(TRANSPORT_PLAYING, 1);
    host.ClearLog();
    if (step.kind == Step::Refresh)
      surface->RefreshFeedback(0, 0);
    else {
      view.Gesture(Pack(step.status, step.controller, step.value));
      surface->OnShortMidi(Pack(step.status, step.controller, step.value));
    }
    std::vector<std::string> calls = host.Log();
    std::printf("== %s\n", step.what);
    std::printf("  host received %zu call(s)", calls.size());
    const size_t shown = calls.size() > 12 ? 12 : calls.size();
    std::printf("%s\n", shown < calls.size() ? " (first 12 shown)" : "");
    for (size_t i = 0; i < shown; ++i) std::printf("    %s\n", calls[i].c_str());
    for (; seen < host.SentWords().size(); ++seen) view.Apply(host.SentWords()[seen]);
    std::printf("%s", view.Describe().c_str());
  }
  surface->DetachHost();
  surface->Release();
  std::printf("== detached\n");
  return 0;
}
