// Construction, IUnknown, IDispatch, the status text and the no-echo mask.
#include <cstring>

#include "class_ids.h"
#include "module_state.h"
#include "tavrel.h"

namespace {

// The status text is "Tavrel OK" while no input was dropped; after that it
// says how much was: "Tavrel OK, 1 input dropped", "Tavrel OK, 3 inputs
// dropped". It keeps its start, so a host that looks for "Tavrel OK" still
// finds it, and it is built on the stack, without the lock.
constexpr char STATUS_TEXT[] = "Tavrel OK";
constexpr size_t STATUS_TEXT_MAX = sizeof "Tavrel OK, 4294967295 inputs dropped";

// Writes the text for `dropped` into `text`; returns its size with the terminator.
DWORD FormatStatusText(uint32_t dropped, char (&text)[STATUS_TEXT_MAX]) {
  size_t size = 0;
  const auto append = [&](const char* part) {
    while (*part != '\0') text[size++] = *part++;
  };
  append(STATUS_TEXT);
  if (dropped != 0) {
    append(", ");
    char digits[10];
    int count = 0;
    for (uint32_t rest = dropped; rest != 0; rest /= 10) digits[count++] = static_cast<char>('0' + rest % 10);
    while (count > 0) text[size++] = digits[--count];
    append(dropped == 1 ? " input dropped" : " inputs dropped");
  }
  text[size++] = '\0';
  return static_cast<DWORD>(size);
}

// Loads the host's description of IControlSurface once per process. A library
// that loads but has no such description counts as a failure (tried again on
// the next call). If two threads race, the first published copy wins and the
// other is released.
HRESULT LoadTypeInfo() {
  if (g_typeInfo.load(std::memory_order_acquire) != nullptr) return S_OK;
  ITypeLib* library = nullptr;
  if (FAILED(LoadRegTypeLib(LIBID_ControlSurfaceHost, CONTROL_SURFACE_TYPELIB_MAJOR, CONTROL_SURFACE_TYPELIB_MINOR, 0,
                            &library)) ||
      library == nullptr)
    return E_NOTIMPL;
  ITypeInfo* info = nullptr;
  const HRESULT hr = library->GetTypeInfoOfGuid(IID_IControlSurface, &info);
  library->Release();
  if (FAILED(hr) || info == nullptr) return E_NOTIMPL;
  ITypeInfo* expected = nullptr;
  if (!g_typeInfo.compare_exchange_strong(expected, info, std::memory_order_acq_rel)) info->Release();
  return S_OK;
}

}  // namespace

CTavrel::CTavrel() {
  InterlockedIncrement(&g_objectCount);
  InitializeCriticalSection(&m_lock);
  SetDefaultConfig();
}

CTavrel::~CTavrel() {
  ReleaseHost();
  DeleteCriticalSection(&m_lock);
  InterlockedDecrement(&g_objectCount);
}

HRESULT STDMETHODCALLTYPE CTavrel::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IControlSurface) || IsEqualGUID(riid, IID_IDispatch)) {
    *ppv = Primary();
  } else if (IsEqualGUID(riid, IID_ISpecifyPropertyPages)) {
    *ppv = static_cast<ISpecifyPropertyPages*>(this);
  } else if (IsEqualGUID(riid, IID_IPersistStream)) {
    *ppv = static_cast<IPersistStream*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE CTavrel::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }

ULONG STDMETHODCALLTYPE CTavrel::Release() {
  const LONG count = InterlockedDecrement(&m_refCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CTavrel::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = SUCCEEDED(LoadTypeInfo()) ? 1 : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return E_INVALIDARG;
  if (FAILED(LoadTypeInfo())) return E_NOTIMPL;
  ITypeInfo* cached = g_typeInfo.load(std::memory_order_acquire);
  cached->AddRef();
  *info = cached;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (FAILED(LoadTypeInfo())) return E_NOTIMPL;
  return g_typeInfo.load(std::memory_order_acquire)->GetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE CTavrel::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                          EXCEPINFO* excepInfo, UINT* argErr) {
  if (!IsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (FAILED(LoadTypeInfo())) return E_NOTIMPL;
  return g_typeInfo.load(std::memory_order_acquire)->Invoke(Primary(), id, flags, params, result, excepInfo, argErr);
}

// The host asks twice: with no buffer for the size, then with a buffer of
// that size. The text may have grown in between (input was dropped), so the
// buffer gets as much as fits in `*length`, always terminated inside.
HRESULT STDMETHODCALLTYPE CTavrel::QueryStatusText(char* buffer, DWORD* length) {
  if (length == nullptr) return E_POINTER;
  char text[STATUS_TEXT_MAX];
  const DWORD size = FormatStatusText(m_droppedInput.load(std::memory_order_relaxed), text);
  if (buffer == nullptr) {
    *length = size;
    return S_OK;
  }
  if (*length == 0) return S_OK;
  const DWORD copied = *length < size ? *length : size;
  std::memcpy(buffer, text, copied);
  buffer[copied - 1] = '\0';
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::QueryNoEchoMask(WORD* mask, DWORD* flag) {
  if (mask == nullptr || flag == nullptr) return E_POINTER;
  EnterCriticalSection(&m_lock);
  *mask = 0xFFFF;
  *flag = 0;
  LeaveCriticalSection(&m_lock);
  return S_OK;
}

CTavrel* CTavrel::FromUnknown(IUnknown* unknown) {
  if (unknown == nullptr) return nullptr;
  // The primary table of this module's CTavrel, taken once from a probe.
  static const void* const s_primaryTable = [] {
    CTavrel probe;
    return *reinterpret_cast<const void* const*>(static_cast<IControlSurface*>(&probe));
  }();
  // COM identity: IUnknown of a CTavrel is its primary interface.
  IUnknown* identity = nullptr;
  if (FAILED(unknown->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) || identity == nullptr)
    return nullptr;
  const bool ours = *reinterpret_cast<const void* const*>(identity) == s_primaryTable;
  identity->Release();
  return ours ? static_cast<CTavrel*>(static_cast<IControlSurface*>(identity)) : nullptr;
}
