#include "memory_stream.h"

#include <algorithm>
#include <cstring>

HRESULT STDMETHODCALLTYPE MemoryStream::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ISequentialStream) || IsEqualGUID(riid, IID_IStream)) {
    *ppv = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE MemoryStream::Read(void* data, ULONG size, ULONG* read) {
  ++readCalls;
  if (read != nullptr) *read = 0;
  if (FAILED(readResult)) return readResult;
  const size_t available = position < bytes.size() ? bytes.size() - position : 0;
  const size_t count = std::min<size_t>({size, readLimit, available});
  if (count > 0) std::memcpy(data, bytes.data() + position, count);
  position += count;
  if (read != nullptr) *read = static_cast<ULONG>(count);
  return count == size ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE MemoryStream::Write(const void* data, ULONG size, ULONG* written) {
  ++writeCalls;
  if (written != nullptr) *written = 0;
  if (FAILED(writeResult)) return writeResult;
  const size_t count = std::min<size_t>(size, writeLimit);
  if (bytes.size() < position + count) bytes.resize(position + count);
  if (count > 0) std::memcpy(bytes.data() + position, data, count);
  position += count;
  if (written != nullptr) *written = static_cast<ULONG>(count);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  int64_t base = 0;
  if (origin == 1)
    base = static_cast<int64_t>(position);
  else if (origin == 2)
    base = static_cast<int64_t>(bytes.size());
  else if (origin != 0)
    return E_INVALIDARG;
  const int64_t target = base + move.QuadPart;
  if (target < 0) return E_INVALIDARG;
  position = static_cast<size_t>(target);
  if (newPosition != nullptr) newPosition->QuadPart = static_cast<uint64_t>(target);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MemoryStream::SetSize(ULARGE_INTEGER size) {
  bytes.resize(static_cast<size_t>(size.QuadPart));
  return S_OK;
}
