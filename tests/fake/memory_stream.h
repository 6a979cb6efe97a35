// An in-memory IStream for persistence tests, with switches that make Read
// and Write fail or deliver fewer bytes than asked. It lives on the stack:
// reference counting is tracked but never deletes it.
#pragma once

#include <cstdint>
#include <vector>

#include "win_compat.h"

class MemoryStream : public IStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> contents) : bytes(std::move(contents)) {}
  virtual ~MemoryStream() = default;
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  // --- switches ---
  HRESULT readResult = S_OK;   // a failure code makes Read deliver nothing
  HRESULT writeResult = S_OK;  // a failure code makes Write store nothing
  ULONG readLimit = ~0u;       // at most this many bytes per Read
  ULONG writeLimit = ~0u;      // at most this many bytes per Write

  // --- contents and what happened ---
  std::vector<uint8_t> bytes;
  size_t position = 0;
  int readCalls = 0;
  int writeCalls = 0;
  LONG refs = 1;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;

  // IStream: only what a persistence test might reasonably touch works.
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
};
