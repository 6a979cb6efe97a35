// What one message and one refresh cost, against a host that does nothing
// and against the recording fake host, with the heap allocations made on
// each path. Run with `make bench` (native Release).
//
// `surface_bench --count ROUTE N` runs one route N times without the
// benchmark library, for instruction counts under callgrind.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "fake_host.h"
#include "midi_map.h"
#include "tavrel.h"
#include "test_access.h"

using namespace midi;

// --- allocation counter -------------------------------------------------------
// The replacement new and delete pair malloc with free on purpose; GCC cannot
// see that they replace each other once inlined, hence the pragma.
namespace {
std::atomic<long> g_allocations{0};
}
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

// A host that answers every call and records nothing: the surface's own cost.
class NullHost : public IHostMidiOut,
                 public IHostKeyboard,
                 public IHostCommands,
                 public IHostProject,
                 public IHostMixer,
                 public IHostTransport {
 public:
  virtual ~NullHost() = default;
  IUnknown* Unknown() { return static_cast<IHostMidiOut*>(this); }

  float volume = 0.5f;
  float switches = 0.0f;  // mute, solo and arm values of every strip
  DWORD armed = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IHostMidiOut))
      *ppv = static_cast<IHostMidiOut*>(this);
    else if (IsEqualGUID(riid, IID_IHostKeyboard))
      *ppv = static_cast<IHostKeyboard*>(this);
    else if (IsEqualGUID(riid, IID_IHostCommands))
      *ppv = static_cast<IHostCommands*>(this);
    else if (IsEqualGUID(riid, IID_IHostProject))
      *ppv = static_cast<IHostProject*>(this);
    else if (IsEqualGUID(riid, IID_IHostMixer))
      *ppv = static_cast<IHostMixer*>(this);
    else if (IsEqualGUID(riid, IID_IHostTransport))
      *ppv = static_cast<IHostTransport*>(this);
    else
      return *ppv = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SendShortMessage(ULONG_PTR, DWORD message) override {
    benchmark::DoNotOptimize(message);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SendKey(DWORD, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunCommand(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetStripCount(DWORD, DWORD* count) override {
    *count = 32;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Slot5Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Slot6Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetParam(DWORD, DWORD, DWORD, DWORD, float value, DWORD) override {
    benchmark::DoNotOptimize(value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetParam(DWORD, DWORD, DWORD param, DWORD, float* value) override {
    *value = param == MIX_PARAM_VOL ? volume : switches;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Slot9Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Slot10Placeholder() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetArm(DWORD, DWORD, DWORD, DWORD, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetArm(DWORD, DWORD, DWORD, DWORD, DWORD* on) override {
    *on = armed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, DWORD* on) override {
    *on = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNowTime(DWORD, TimeRecord*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetNowTime(DWORD, TimeRecord*) override { return S_OK; }
};

// One surface, attached and ready, on either host.
struct Rig {
  explicit Rig(bool recordingHost) : recording(recordingHost) {
    ResetModuleStateForTesting();
    fake.stripCount = 32;
    fake.SetParamValue(3, MIX_PARAM_VOL, 0, 0.5f);
    surface->AttachHost(recording ? static_cast<IUnknown*>(&fake) : null.Unknown(), 0);
    surface->RefreshFeedback(0, 0);
  }
  ~Rig() {
    surface->DetachHost();
    surface->Release();
  }
  // The recording host's log would grow without bound; trimmed now and then.
  void Trim(benchmark::IterationCount i) {
    if ((i & 0xFFF) == 0) fake.ClearLog();
  }

  bool recording;
  NullHost null;
  FakeHost fake;
  CTavrel* surface = new CTavrel;
  CTavrelTestAccess state{surface};
};

using Route = void (*)(Rig&, benchmark::IterationCount);

void PickedUpFader(Rig& rig, benchmark::IterationCount i) {
  rig.state.faderPicked(3) = 1;
  rig.surface->OnShortMidi(Pack(STATUS_CH16, 3, static_cast<uint8_t>(i & 0x7F)));
}
void FaderPickingUp(Rig& rig, benchmark::IterationCount) {
  rig.state.faderPicked(5) = 0;
  rig.surface->OnShortMidi(Pack(STATUS_CH16, 5, 120));
}
void MuteButton(Rig& rig, benchmark::IterationCount i) {
  rig.surface->OnShortMidi(Pack(STATUS_CH14, CC_MUTE_FIRST + 4, (i & 1) ? 127 : 0));
}
void SelectButton(Rig& rig, benchmark::IterationCount i) {
  rig.surface->OnShortMidi(Pack(STATUS_CH15, CC_SELECT_FIRST + ((i & 1) ? 6 : 7), 127));
}
void FunctionKey(Rig& rig, benchmark::IterationCount) {
  rig.surface->OnShortMidi(Pack(STATUS_CH15, CC_FUNCTION_F1, 127));
}
void JogStep(Rig& rig, benchmark::IterationCount) { rig.surface->OnShortMidi(Pack(STATUS_CH16, CC_JOG_WHEEL, 1)); }
void Shuttle(Rig& rig, benchmark::IterationCount) {
  static const BYTE kShuttle[10] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x41, 0x05, 0x00, 0xF7};
  rig.surface->OnLongMidi(sizeof kShuttle, kShuttle);
}
void IdleRefresh(Rig& rig, benchmark::IterationCount) { rig.surface->RefreshFeedback(0, 0); }
void EveryLightChanges(Rig& rig, benchmark::IterationCount i) {
  const bool on = i & 1;
  if (rig.recording) {
    for (DWORD strip = 0; strip < 32; ++strip)
      for (DWORD param : {MIX_PARAM_MUTE, MIX_PARAM_SOLO, MIX_PARAM_ARM}) rig.fake.SetParamValue(strip, param, 0, on);
  } else {
    rig.null.switches = on ? 1.0f : 0.0f;
    rig.null.armed = on;
  }
  rig.surface->RefreshFeedback(0, 0);
}
void SwitchOffSweep(Rig& rig, benchmark::IterationCount) { rig.state.ClearSurface(); }

template <Route route, bool recording>
void Measure(benchmark::State& state) {
  Rig rig(recording);
  benchmark::IterationCount i = 0;
  const long before = g_allocations.load();
  for (auto _ : state) {
    route(rig, ++i);
    if constexpr (recording) rig.Trim(i);
  }
  const long allocations = g_allocations.load() - before;
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

#define ROUTE(name)                                                   \
  BENCHMARK_TEMPLATE(Measure, name, false)->Name(#name "/null_host"); \
  BENCHMARK_TEMPLATE(Measure, name, true)->Name(#name "/recording_host");

ROUTE(PickedUpFader)
ROUTE(FaderPickingUp)
ROUTE(MuteButton)
ROUTE(SelectButton)
ROUTE(FunctionKey)
ROUTE(JogStep)
ROUTE(Shuttle)
ROUTE(IdleRefresh)
ROUTE(EveryLightChanges)
ROUTE(SwitchOffSweep)

struct Named {
  const char* name;
  Route route;
};
const Named kCountable[] = {{"fader", PickedUpFader}, {"idle_refresh", IdleRefresh}};

}  // namespace

int main(int argc, char** argv) {
  // Instruction counting: run one route N times on the null host, nothing else.
  if (argc == 4 && std::strcmp(argv[1], "--count") == 0) {
    const long n = std::strtol(argv[3], nullptr, 10);
    for (const Named& entry : kCountable) {
      if (std::strcmp(entry.name, argv[2]) != 0) continue;
      Rig rig(false);
      for (long i = 1; i <= n; ++i) entry.route(rig, i);
      return 0;
    }
    std::fprintf(stderr, "unknown route %s\n", argv[2]);
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
