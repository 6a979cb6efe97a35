// The host the simulator plays: the IUnknown handed to AttachHost and the six
// interfaces it answers for, one reference count each. Every call is checked
// against the contract (its position, kind 0, strips 0..127, known
// parameters, flag 1, levels 0..1, statuses 0xBD/0xBE with 7-bit data); a
// call the contract leaves undefined is recorded as an error of the run.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host_interfaces.h"
#include "model/hardware.h"
#include "model/host_state.h"
#include "model/monitor.h"

namespace sim {

class HostModel {
 public:
  HostModel(Monitor& monitor, Hardware& hardware);
  ~HostModel();
  HostModel(const HostModel&) = delete;
  HostModel& operator=(const HostModel&) = delete;

  // The host object, with the host's own reference.
  IUnknown* Unknown();
  // The cookie SendShortMessage must carry: the surface's primary pointer.
  void ExpectCookie(ULONG_PTR cookie) { m_cookie.store(cookie); }

  // Runs `f` on the state under the host's lock.
  template <class F>
  auto With(F f) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return f(m_state);
  }

  // A host command run from the host's own side (scripts, soak).
  void Command(uint32_t id);

  // Told of each SetParam the surface makes, once the host has taken it, on
  // the surface's thread (the cable benchmark times the way from the
  // hardware to here). Set before the surface is attached.
  using ParamObserver = std::function<void(DWORD strip, DWORD param)>;
  void ObserveSetParam(ParamObserver observer) { m_paramObserver = std::move(observer); }

  // Called at the start of each GetParam, before the host takes its lock, on
  // the surface's thread: a host that pumps its messages while it waits
  // delivers MIDI input there, into the surface's running operation. Set
  // while no surface thread runs.
  using ReadHook = std::function<void()>;
  void OnEachRead(ReadHook hook) { m_readHook = std::move(hook); }

  // Errors of the run found so far, taken once.
  std::vector<std::string> TakeErrors();
  // Reference counts held on the six interfaces (IHostMidiOut..IHostTransport).
  std::vector<std::pair<const char*, long>> References() const;
  uint64_t MessagesOut() const { return m_messagesOut.load(); }

  // Called by the interface objects.
  void Error(const std::string& what);
  HRESULT QueryHost(REFIID riid, void** out);
  HRESULT OnMessage(ULONG_PTR cookie, DWORD message);
  HRESULT OnKey(DWORD virtualKey, DWORD kind);
  HRESULT OnCommand(DWORD id);
  HRESULT OnStripCount(DWORD kind, DWORD* count);
  HRESULT OnSetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value, DWORD flag);
  HRESULT OnGetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value);
  HRESULT OnSetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on);
  HRESULT OnGetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on);
  HRESULT OnGetState(DWORD which, DWORD* on);
  HRESULT OnSetTime(DWORD which, TimeRecord* record);
  HRESULT OnGetTime(DWORD which, TimeRecord* record);

  struct Parts;

 private:
  void RunCommandLocked(uint32_t id);
  bool CheckStrip(const char* call, DWORD kind, DWORD strip, DWORD param, DWORD index);
  bool StartRead(const char* call, DWORD strip, DWORD param, const void* result);

  Monitor& m_monitor;
  Hardware& m_hardware;
  std::mutex m_mutex;
  HostState m_state;
  std::mutex m_errorMutex;
  std::vector<std::string> m_errors;
  std::atomic<ULONG_PTR> m_cookie{0};
  std::atomic<uint64_t> m_messagesOut{0};
  ParamObserver m_paramObserver;
  ReadHook m_readHook;
  Parts* m_parts;
};

// The parameter name of a mixer code ("volume", "send volume").
const char* ParamName(uint32_t param);

}  // namespace sim
