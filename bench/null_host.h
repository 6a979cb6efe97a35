// A host for the benchmarks that answers every call and records nothing, so
// what is measured is the surface's own cost.
#pragma once

#include <benchmark/benchmark.h>

#include "host_interfaces.h"

class NullHost : public IHostInterfaces {
 public:
  virtual ~NullHost() = default;
  IUnknown* Unknown() { return static_cast<IHostMidiOut*>(this); }

  float volume = 0.5f;
  float switches = 0.0f;  // mute, solo and arm values of every strip
  DWORD armed = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = HostInterface(riid);
    return *ppv != nullptr ? S_OK : E_NOINTERFACE;
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
