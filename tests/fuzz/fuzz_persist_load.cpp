// Fuzz target: IPersistStream::Load from streams that fail, come short or are
// long. Afterwards the block is whole: either the defaults or exactly the 30
// bytes the stream delivered; Save writes back exactly that block.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_host.h"
#include "surface_config.h"
#include "tavrel.h"

namespace {

// A stream that serves the fuzzer's bytes, in one or several pieces, and may
// fail its read or write.
class FuzzStream : public IStream {
 public:
  FuzzStream(const uint8_t* data, size_t size, uint8_t mode) : m_data(data), m_size(size), m_mode(mode) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* read) override {
    FuzzCheck(out != nullptr, "a buffer to read into");
    if (read) *read = 0;
    if (m_mode % 5 == 4) return STG_E_READFAULT;
    size_t n = m_size - m_pos < size ? m_size - m_pos : size;
    if (m_mode % 5 == 3 && n > 1) n /= 2;  // a stream that delivers in pieces
    std::memcpy(out, m_data + m_pos, n);
    m_pos += n;
    if (read) *read = static_cast<ULONG>(n);
    return n == size ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* bytes, ULONG size, ULONG* written) override {
    FuzzCheck(size == CONFIG_SIZE, "the block is written whole");
    std::memcpy(saved, bytes, CONFIG_SIZE);
    if (written) *written = size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
  virtual ~FuzzStream() = default;

  uint8_t saved[CONFIG_SIZE] = {};

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  uint8_t m_mode;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  FuzzStream stream(data + 1, size - 1, mode);
  auto* surface = new CTavrel;
  // Start from a block that is neither the defaults nor the input.
  for (size_t i = 0; i < CONFIG_SIZE; ++i) surface->SetConfigByte(i, 0xEE);

  FuzzCheck(surface->Load(&stream) == S_OK, "Load answers S_OK");
  uint8_t block[CONFIG_SIZE];
  for (size_t i = 0; i < CONFIG_SIZE; ++i) block[i] = surface->ConfigByte(i);

  uint8_t defaults[CONFIG_SIZE] = {};
  std::memcpy(defaults, DEFAULT_SETTINGS, sizeof DEFAULT_SETTINGS);
  const bool isDefaults = std::memcmp(block, defaults, CONFIG_SIZE) == 0;
  const bool isInput = size - 1 >= CONFIG_SIZE && std::memcmp(block, data + 1, CONFIG_SIZE) == 0;
  FuzzCheck(isDefaults || isInput, "a whole block: the defaults or the 30 bytes read");

  FuzzCheck(surface->Save(&stream, mode & 1) == S_OK, "Save answers S_OK");
  FuzzCheck(std::memcmp(stream.saved, block, CONFIG_SIZE) == 0, "Save writes the block in memory");
  surface->Release();
  return 0;
}
