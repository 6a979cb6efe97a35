// The class objects of the two served classes. Both factories share
// IUnknown and LockServer and differ only in what CreateInstance builds.
#pragma once

#include <ole2.h>
#include <windows.h>

class CClassFactoryBase : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  CClassFactoryBase(const CClassFactoryBase&) = delete;
  CClassFactoryBase& operator=(const CClassFactoryBase&) = delete;

 protected:
  CClassFactoryBase() = default;
  virtual ~CClassFactoryBase() = default;

 private:
  LONG volatile m_refCount = 1;  // the creator's reference
};

// Creates surface objects (CTavrel).
class CTavrelFactory final : public CClassFactoryBase {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
};

// Creates property pages (CTavrelPropPage).
class CPropPageFactory final : public CClassFactoryBase {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
};

// DllGetClassObject's work: a factory for one of the two classes, handed
// out through QueryInterface(riid).
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
