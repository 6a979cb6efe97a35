// What one message and one refresh cost against a host that does nothing,
// with the heap allocations made on each path. Run with `make bench` (native
// Release). Only the surface's public entry points are driven, as a host
// drives them.
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

#include "midi_map.h"
#include "null_host.h"
#include "tavrel.h"

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

// One surface, attached and ready, with cursor left and right moving the
// bank (the route that sweeps the surface while a host runs).
struct Rig {
  Rig() {
    ResetModuleStateForTesting();
    surface->AttachHost(host.Unknown(), 0);
    surface->RefreshFeedback(0, 0);
    surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);
    // Fader 3 meets the host's volume (0.5 is 64) and so has picked up.
    surface->OnShortMidi(Pack(STATUS_CH16, 3, 64));
  }
  ~Rig() {
    surface->DetachHost();
    surface->Release();
  }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  NullHost host;
  CTavrel* surface = new CTavrel;
};

using Route = void (*)(Rig&, benchmark::IterationCount);

// Nothing refreshes in between, so fader 3 stays picked up and writes.
void PickedUpFader(Rig& rig, benchmark::IterationCount i) {
  rig.surface->OnShortMidi(Pack(STATUS_CH16, 3, static_cast<uint8_t>(i & 0x7F)));
}
// 120 never meets the host's 64: fader 5 keeps picking up.
void FaderPickingUp(Rig& rig, benchmark::IterationCount) { rig.surface->OnShortMidi(Pack(STATUS_CH16, 5, 120)); }
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
  rig.host.switches = on ? 1.0f : 0.0f;
  rig.host.armed = on;
  rig.surface->RefreshFeedback(0, 0);
}
// A bank step: the 201-message switch-off sweep and the bank number.
void BankStep(Rig& rig, benchmark::IterationCount i) {
  rig.surface->OnShortMidi(Pack(STATUS_CH15, (i & 1) ? CC_CURSOR_RIGHT : CC_CURSOR_LEFT, 127));
}

template <Route route>
void Measure(benchmark::State& state) {
  Rig rig;
  benchmark::IterationCount i = 0;
  const long before = g_allocations.load();
  for (auto _ : state) route(rig, ++i);
  const long allocations = g_allocations.load() - before;
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

#define ROUTE(name) BENCHMARK_TEMPLATE(Measure, name)->Name(#name "/null_host");

ROUTE(PickedUpFader)
ROUTE(FaderPickingUp)
ROUTE(MuteButton)
ROUTE(SelectButton)
ROUTE(FunctionKey)
ROUTE(JogStep)
ROUTE(Shuttle)
ROUTE(IdleRefresh)
ROUTE(EveryLightChanges)
ROUTE(BankStep)

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
      Rig rig;
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
