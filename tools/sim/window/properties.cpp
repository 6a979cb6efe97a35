#include "window/properties.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace sim {

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The DLL's factories of the pages, registered with COM; the cookies to revoke.
std::vector<DWORD> ServePages(HMODULE module, const CAUUID& pages) {
  std::vector<DWORD> cookies;
  if (!module) return cookies;
  const auto get =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  for (ULONG i = 0; get && i < pages.cElems; ++i) {
    IClassFactory* factory = nullptr;
    if (FAILED(get(pages.pElems[i], IID_IClassFactory, reinterpret_cast<void**>(&factory)))) continue;
    DWORD cookie = 0;
    if (SUCCEEDED(CoRegisterClassObject(pages.pElems[i], factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
      cookies.push_back(cookie);
    factory->Release();
  }
  return cookies;
}

}  // namespace

bool ShowSurfaceProperties(HWND owner, IControlSurface* surface, HMODULE module, std::string* error) {
  ISpecifyPropertyPages* specify = nullptr;
  if (FAILED(surface->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify)))) {
    *error = "the surface has no property pages (no ISpecifyPropertyPages)";
    return false;
  }
  CAUUID pages = {};
  HRESULT result = specify->GetPages(&pages);
  specify->Release();
  if (FAILED(result) || pages.cElems == 0 || !pages.pElems) {
    CoTaskMemFree(pages.pElems);
    *error = "GetPages answered no pages";
    return false;
  }
  const std::vector<DWORD> served = ServePages(module, pages);
  IUnknown* object = nullptr;
  surface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&object));
  result = OleCreatePropertyFrame(owner, 40, 40, L"Tavrel", 1, &object, pages.cElems, pages.pElems,
                                  GetUserDefaultLCID(), 0, nullptr);
  object->Release();
  for (DWORD cookie : served) CoRevokeClassObject(cookie);
  CoTaskMemFree(pages.pElems);
  if (FAILED(result)) {
    char text[64];
    wsprintfA(text, "OleCreatePropertyFrame failed: 0x%08lx", static_cast<unsigned long>(result));
    *error = text;
    return false;
  }
  return true;
}

}  // namespace sim
