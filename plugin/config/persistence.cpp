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
HRESULT STDMETHODCALLTYPE CTavrel::Load(IStream*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CTavrel::Save(IStream*, BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CTavrel::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CTavrel::GetPages(CAUUID*) { return E_NOTIMPL; }
