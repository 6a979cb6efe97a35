// The loopback driver's entry points apart from the MIDI messages: what
// winmm's driver loader needs (DriverProc), and what Wine's audio device
// layer needs to pick it as the prefix's sound driver (GetPriority and three
// audio functions that offer no audio at all). winmm then asks the picked
// driver for its MIDI ports.
#include "driver.h"

namespace loopback {
namespace {

// The priorities Wine's audio device layer compares; the highest wins.
constexpr int kPriorityUnavailable = 0;
constexpr int kPriorityPreferred = 3;

// The driver takes over only in processes that ask for it, so a prefix with
// real ports keeps them: the variable set, neither empty nor "0".
bool Gated() {
  char value[8] = {};
  const DWORD length = GetEnvironmentVariableA(kGateVariable, value, sizeof value);
  return length > 0 && length < sizeof value && !(length == 1 && value[0] == '0');
}

Cable* g_cable = nullptr;

BOOL CALLBACK OpenCable(PINIT_ONCE, PVOID, PVOID*) {
  auto* cable = new Cable;
  if (cable->Open())
    g_cable = cable;
  else
    delete cable;
  return TRUE;
}

}  // namespace

Cable* SharedCable() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&once, OpenCable, nullptr, nullptr);
  return g_cable;
}

void PortName(unsigned port, WCHAR (&name)[MAXPNAMELEN]) {
  unsigned i = 0;
  for (; kPortNamePrefix[i] != '\0' && i + 2 < MAXPNAMELEN; ++i) name[i] = static_cast<WCHAR>(kPortNamePrefix[i]);
  name[i++] = static_cast<WCHAR>(PortLetter(port));
  name[i] = 0;
}

}  // namespace loopback

extern "C" {

int WINAPI GetPriority() { return loopback::Gated() ? loopback::kPriorityPreferred : loopback::kPriorityUnavailable; }

// No audio endpoints: the lists are empty (the caller frees them with
// HeapFree, which takes null).
HRESULT WINAPI GetEndpointIDs(int /*flow*/, WCHAR*** ids, GUID** guids, UINT* count, UINT* defaultIndex) {
  if (ids == nullptr || guids == nullptr || count == nullptr || defaultIndex == nullptr) return E_POINTER;
  *ids = nullptr;
  *guids = nullptr;
  *count = 0;
  *defaultIndex = 0;
  return S_OK;
}

HRESULT WINAPI GetAudioEndpoint(void* /*key*/, void* /*device*/, void** client) {
  if (client != nullptr) *client = nullptr;
  return E_NOTIMPL;
}

HRESULT WINAPI GetAudioSessionManager(void* /*device*/, void** manager) {
  if (manager != nullptr) *manager = nullptr;
  return E_NOTIMPL;
}

// winmm opens the driver once (load, enable, open) and closes it at exit.
LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_OPEN:
    case DRV_CLOSE:
    case DRV_ENABLE:
    case DRV_DISABLE:
      return 1;
    case DRV_QUERYCONFIGURE:
      return 0;
    default:
      return DefDriverProc(id, driver, message, param1, param2);
  }
}

}  // extern "C"
