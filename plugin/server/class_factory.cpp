// Class factories and the class-object lookup behind DllGetClassObject.
#include "class_factory.h"

#include <new>

#include "class_ids.h"
#include "module.h"
#include "prop_page.h"
#include "tavrel.h"

HRESULT STDMETHODCALLTYPE CClassFactoryBase::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CClassFactoryBase::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }

ULONG STDMETHODCALLTYPE CClassFactoryBase::Release() {
  const LONG count = InterlockedDecrement(&m_refCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CClassFactoryBase::LockServer(BOOL lock) {
  if (lock)
    InterlockedIncrement(&g_lockCount);
  else
    InterlockedDecrement(&g_lockCount);
  return S_OK;
}

namespace {

// Hands out a new object through QueryInterface and drops the creation
// reference: an object nobody took is destroyed at once.
template <typename Object, typename Interface>
HRESULT HandOut(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  Object* object = new (std::nothrow) Object();
  if (object == nullptr) return E_OUTOFMEMORY;
  Interface* primary = static_cast<Interface*>(object);
  const HRESULT hr = primary->QueryInterface(riid, ppv);
  primary->Release();
  return hr;
}

template <typename Factory>
HRESULT HandOutFactory(REFIID riid, void** ppv) {
  Factory* factory = new (std::nothrow) Factory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace

HRESULT STDMETHODCALLTYPE CTavrelFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return HandOut<CTavrel, IControlSurface>(outer, riid, ppv);
}

HRESULT STDMETHODCALLTYPE CPropPageFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return HandOut<CTavrelPropPage, IPropertyPage>(outer, riid, ppv);
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualGUID(clsid, CLSID_Tavrel)) return HandOutFactory<CTavrelFactory>(riid, ppv);
  if (IsEqualGUID(clsid, CLSID_TavrelPropPage)) return HandOutFactory<CPropPageFactory>(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}
