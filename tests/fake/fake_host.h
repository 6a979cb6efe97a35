// A recording fake of the host: the six host interfaces (each a tear-off
// with its own reference count), a small mixer and transport model, and an
// ordered log of every call, one line per call, for tests to compare whole.
//
// Log lines:
//   send bd 21 7f                               SendShortMessage (status controller value, hex)
//   key 7a press | key 11 down | key 11 up      SendKey
//   command 41                                  RunCommand
//   SetParam strip=37 param=0 index=0 value=0.5039 flag=1
//   SetArm strip=5 param=21 index=3 on=1
//   GetNowTime which=0 format=3 | SetNowTime which=3 format=3 pos=-133 | ... format=2 value=<16 hex>
//   GetStripCount | GetParam strip=3 param=0 index=0 | GetArm ... | GetState 3   (reads)
//   UNEXPECTED <what>                           a call the contract never makes
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host_interfaces.h"

enum class HostInterface { MidiOut, Keyboard, Commands, Project, Mixer, Transport, Count };

class FakeHost;

// One tear-off per host interface: its own reference count, QueryInterface
// through the host object, the methods recorded by the host.
template <typename Interface, HostInterface Which>
struct FakeTearOff : Interface {
  FakeHost* host = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
};

struct FakeMidiOut : FakeTearOff<IHostMidiOut, HostInterface::MidiOut> {
  HRESULT STDMETHODCALLTYPE SendShortMessage(ULONG_PTR cookie, DWORD message) override;
};
struct FakeKeyboard : FakeTearOff<IHostKeyboard, HostInterface::Keyboard> {
  HRESULT STDMETHODCALLTYPE SendKey(DWORD virtualKey, DWORD kind) override;
};
struct FakeCommands : FakeTearOff<IHostCommands, HostInterface::Commands> {
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override;
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override;
  HRESULT STDMETHODCALLTYPE RunCommand(DWORD id) override;
};
struct FakeProject : FakeTearOff<IHostProject, HostInterface::Project> {};
struct FakeMixer : FakeTearOff<IHostMixer, HostInterface::Mixer> {
  HRESULT STDMETHODCALLTYPE GetStripCount(DWORD kind, DWORD* count) override;
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override;
  HRESULT STDMETHODCALLTYPE Slot5Placeholder() override;
  HRESULT STDMETHODCALLTYPE Slot6Placeholder() override;
  HRESULT STDMETHODCALLTYPE SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                     DWORD flag) override;
  HRESULT STDMETHODCALLTYPE GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) override;
  HRESULT STDMETHODCALLTYPE Slot9Placeholder() override;
  HRESULT STDMETHODCALLTYPE Slot10Placeholder() override;
  HRESULT STDMETHODCALLTYPE SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) override;
  HRESULT STDMETHODCALLTYPE GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) override;
};
struct FakeTransport : FakeTearOff<IHostTransport, HostInterface::Transport> {
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD which, DWORD* on) override;
  HRESULT STDMETHODCALLTYPE SetNowTime(DWORD which, TimeRecord* record) override;
  HRESULT STDMETHODCALLTYPE GetNowTime(DWORD which, TimeRecord* record) override;
};

class FakeHost : public IUnknown {
 public:
  FakeHost();
  virtual ~FakeHost() = default;
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // IUnknown of the host object handed to AttachHost.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- configuration of the fake ---
  // Refuse QueryInterface for one interface (E_NOINTERFACE, or `result`).
  void Withhold(HostInterface which, HRESULT result = E_NOINTERFACE);
  // On a refused QueryInterface, write this garbage into the out-pointer.
  void SetGarbageOnRefusal(bool on) { m_garbageOnRefusal = on; }

  // Mixer model.
  DWORD stripCount = 32;
  HRESULT stripCountResult = S_OK;
  bool getParamFails = false;  // GetParam / GetArm / GetState fail without writing
  void SetParamValue(DWORD strip, DWORD param, DWORD index, float value) { m_params[{strip, param, index}] = value; }
  float ParamValue(DWORD strip, DWORD param, DWORD index) const;
  void SetArmValue(DWORD strip, DWORD param, DWORD index, DWORD on) { m_arms[{strip, param, index}] = on; }
  DWORD ArmValue(DWORD strip, DWORD param, DWORD index) const;

  // Transport model.
  void SetTransportState(DWORD which, DWORD on) { m_states[which] = on; }
  int64_t position = 0;  // the now time, as format 3 counts it (and format 2 bytes)
  int64_t punchIn = 0;
  int64_t punchOut = 0;
  bool nowTimeFails = false;  // GetNowTime fails without writing the record

  // --- what happened ---
  std::vector<std::string> Log(bool includeReads = false) const;
  std::vector<std::string> Sends() const;  // only the "send ..." lines
  // Every word sent to the surface, in order (kept across ClearLog).
  const std::vector<DWORD>& SentWords() const { return m_sentWords; }
  void ClearLog() { m_log.clear(); }
  bool SawUnexpected() const;
  // Every "UNEXPECTED ..." line since the host was made (kept across ClearLog).
  const std::vector<std::string>& Unexpected() const { return m_unexpected; }
  // Called with each log line as it is recorded, so a test can look at the
  // surface's state at the moment of a particular host call.
  std::function<void(const std::string& line)> onRecord;
  ULONG_PTR LastCookie() const { return m_lastCookie; }
  // References the surface holds on each host interface (tear-off counts).
  LONG RefCount(HostInterface which) const;
  LONG HostRefCount() const { return m_hostRefs; }

  // Used by the tear-offs.
  void Record(std::string line, bool isRead = false);
  // Records "UNEXPECTED call: why" when a shared contract check found `why`.
  void Unexpected(const char* call, const char* why) {
    if (why != nullptr) Record(std::string("UNEXPECTED ") + call + ": " + why);
  }
  LONG& TearOffRefs(HostInterface which) { return m_refs[static_cast<int>(which)]; }
  void NoteSend(ULONG_PTR cookie, DWORD word) {
    m_lastCookie = cookie;
    m_sentWords.push_back(word);
  }
  HRESULT ReadStripCount(DWORD* count);
  HRESULT ReadParam(DWORD strip, DWORD param, DWORD index, float* value);
  void WriteParam(DWORD strip, DWORD param, DWORD index, float value) { m_params[{strip, param, index}] = value; }
  HRESULT ReadArm(DWORD strip, DWORD param, DWORD index, DWORD* on);
  void WriteArm(DWORD strip, DWORD param, DWORD index, DWORD on) { m_arms[{strip, param, index}] = on; }
  HRESULT ReadState(DWORD which, DWORD* on);

 private:
  struct Entry {
    std::string line;
    bool isRead;
  };
  using Key = std::tuple<DWORD, DWORD, DWORD>;

  std::vector<Entry> m_log;
  std::vector<DWORD> m_sentWords;
  std::vector<std::string> m_unexpected;
  std::map<Key, float> m_params;
  std::map<Key, DWORD> m_arms;
  std::map<DWORD, DWORD> m_states;
  HRESULT m_refusal[static_cast<int>(HostInterface::Count)] = {};
  LONG m_refs[static_cast<int>(HostInterface::Count)] = {};
  LONG m_hostRefs = 1;
  bool m_garbageOnRefusal = false;
  ULONG_PTR m_lastCookie = 0;

  FakeMidiOut m_midiOut;
  FakeKeyboard m_keyboard;
  FakeCommands m_commands;
  FakeProject m_project;
  FakeMixer m_mixer;
  FakeTransport m_transport;
};
