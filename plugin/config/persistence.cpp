// The settings block: byte access, defaults, IPersistStream and the page the
// host shows for it (ISpecifyPropertyPages).
#include <atomic>

#include "class_ids.h"
#include "tavrel.h"

uint8_t CTavrel::ConfigByte(size_t index) const {
  auto* bytes = reinterpret_cast<uint8_t*>(const_cast<SurfaceConfig*>(&m_config));
  return std::atomic_ref<uint8_t>(bytes[index]).load(std::memory_order_relaxed);
}

void CTavrel::SetConfigByte(size_t index, uint8_t value) {
  auto* bytes = reinterpret_cast<uint8_t*>(&m_config);
  std::atomic_ref<uint8_t>(bytes[index]).store(value, std::memory_order_relaxed);
}

void CTavrel::SetDefaultConfig() {
  for (size_t i = 0; i < CONFIG_SIZE; ++i) SetConfigByte(i, i < CONFIG_SETTINGS_SIZE ? DEFAULT_SETTINGS[i] : 0);
}

HRESULT STDMETHODCALLTYPE CTavrel::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_Tavrel;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::IsDirty() { return S_FALSE; }
// One Read of a whole block into a local buffer; the block in memory takes
// either all 30 bytes read or the defaults, never a mix of old and new bytes.
// A stream that fails, is empty or ends early gives the defaults (an older,
// shorter block is not recognised); bytes beyond the 30 stay in the stream.
HRESULT STDMETHODCALLTYPE CTavrel::Load(IStream* stream) {
  if (stream == nullptr) return E_POINTER;
  CCriticalSectionAuto lock(&m_lock);
  uint8_t buffer[CONFIG_SIZE] = {};
  ULONG bytesRead = 0;
  const HRESULT hr = stream->Read(buffer, static_cast<ULONG>(CONFIG_SIZE), &bytesRead);
  if (SUCCEEDED(hr) && bytesRead == CONFIG_SIZE) {
    for (size_t i = 0; i < CONFIG_SIZE; ++i) SetConfigByte(i, buffer[i]);
  } else {
    SetDefaultConfig();
  }
  return S_OK;
}

// Writes a snapshot of the block with one Write. A failed or short write is
// reported, so the host does not believe the settings are in its project.
HRESULT STDMETHODCALLTYPE CTavrel::Save(IStream* stream, BOOL) {
  if (stream == nullptr) return E_POINTER;
  CCriticalSectionAuto lock(&m_lock);
  uint8_t buffer[CONFIG_SIZE];
  for (size_t i = 0; i < CONFIG_SIZE; ++i) buffer[i] = ConfigByte(i);
  ULONG written = 0;
  const HRESULT hr = stream->Write(buffer, static_cast<ULONG>(CONFIG_SIZE), &written);
  if (FAILED(hr)) return hr;
  if (written != CONFIG_SIZE) return STG_E_CANTSAVE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  CCriticalSectionAuto lock(&m_lock);
  size->QuadPart = CONFIG_SIZE;
  return S_OK;
}

// One page; the host frees the array with CoTaskMemFree.
HRESULT STDMETHODCALLTYPE CTavrel::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_TavrelPropPage;
  pages->cElems = 1;
  return S_OK;
}
