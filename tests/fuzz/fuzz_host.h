// A host for the fuzz targets: every value it reports (strip count, levels in
// and out of range, NaN, arm and transport states, failures) comes from the
// fuzzer's input, and every call it receives is checked against what the
// surface promises. A broken promise aborts, which the fuzzer reports.
#pragma once

#include <cstdint>
#include <functional>

#include "fuzz_input.h"
#include "host_interfaces.h"
#include "midi_map.h"

class FuzzHost : public IHostInterfaces {
 public:
  explicit FuzzHost(FuzzInput* input) : m_input(input) {}
  virtual ~FuzzHost() = default;

  // The object handed to AttachHost.
  IUnknown* Unknown() { return static_cast<IHostMidiOut*>(this); }
  LONG References() const { return m_refs; }
  // Runs at the start of every host call the surface makes, so a target can
  // call back into the surface from inside the host's own call.
  std::function<void()> onCall;

  // A tiny model of the surface's lights: the last value sent to each address
  // of channels 14 and 15 (all dark when the surface is switched on).
  uint8_t Shown(uint8_t status, uint8_t controller) const { return m_shown[status == midi::STATUS_CH15][controller]; }

  // What the host answered last, as the surface took it (a failed read is 0):
  // the strip count, and per strip the record-arm, mute and solo levels and
  // mute's automation arm. A target clears `countOk` before a refresh to see
  // whether that refresh got its strip count.
  struct Answers {
    bool countOk = false;
    DWORD count = 0;
    float arm[midi::HOST_STRIP_LIMIT] = {};
    float mute[midi::HOST_STRIP_LIMIT] = {};
    float solo[midi::HOST_STRIP_LIMIT] = {};
    DWORD armed[midi::HOST_STRIP_LIMIT] = {};
  };
  Answers answers;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refs); }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE SendShortMessage(ULONG_PTR cookie, DWORD message) override;
  HRESULT STDMETHODCALLTYPE SendKey(DWORD, DWORD kind) override;
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE RunCommand(DWORD) override {
    Called();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetStripCount(DWORD kind, DWORD* count) override;
  HRESULT STDMETHODCALLTYPE Slot5Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE Slot6Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                     DWORD flag) override;
  HRESULT STDMETHODCALLTYPE GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) override;
  HRESULT STDMETHODCALLTYPE Slot9Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE Slot10Placeholder() override { return PlaceholderCalled(); }
  HRESULT STDMETHODCALLTYPE SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) override;
  HRESULT STDMETHODCALLTYPE GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD which, DWORD* on) override;
  HRESULT STDMETHODCALLTYPE SetNowTime(DWORD which, TimeRecord* record) override;
  HRESULT STDMETHODCALLTYPE GetNowTime(DWORD which, TimeRecord* record) override;

 private:
  static HRESULT PlaceholderCalled();
  bool StripReadFails(DWORD kind, DWORD strip, DWORD param, DWORD index);
  void Called() {
    if (onCall) onCall();
  }
  FuzzInput* m_input;
  LONG m_refs = 1;
  DWORD m_lastCount = 0;
  uint8_t m_shown[2][128] = {};
};

// Aborts with a message when a promise is broken.
void FuzzCheck(bool condition, const char* what);
