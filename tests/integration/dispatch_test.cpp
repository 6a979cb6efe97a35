// IDispatch of the surface object through a real type library: first without
// one (the failure codes), then with a library describing IControlSurface
// built and registered here as a host's installer would.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <string>

#include "class_ids.h"
#include "com_test_support.h"
#include "fake_host.h"
#include "host_interfaces.h"

namespace {

struct Method {
  const wchar_t* name;
  std::initializer_list<VARTYPE> params;  // VT_PTR | x stands for a pointer to x
  std::initializer_list<const wchar_t*> paramNames;
};

// IControlSurface after IDispatch's slots, in slot order.
const Method METHODS[] = {
    {L"QueryStatusText", {VT_PTR | VT_I1, VT_PTR | VT_UI4}, {L"buffer", L"length"}},
    {L"OnShortMidi", {VT_UI4}, {L"message"}},
    {L"OnLongMidi", {VT_UI4, VT_PTR | VT_UI1}, {L"count", L"bytes"}},
    {L"AttachHost", {VT_UNKNOWN, VT_UI4}, {L"host", L"unused"}},
    {L"DetachHost", {}, {}},
    {L"RefreshFeedback", {VT_UI4, VT_UI4}, {L"kind", L"unused"}},
    {L"QueryNoEchoMask", {VT_PTR | VT_UI2, VT_PTR | VT_UI4}, {L"mask", L"flag"}},
};

HRESULT BuildTypeLibrary(const std::wstring& path) {
  CComPtr<ICreateTypeLib2> library;
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  HRESULT hr = CreateTypeLib2(kind, path.c_str(), library.Put());
  if (FAILED(hr)) return hr;
  library->SetGuid(LIBID_ControlSurfaceHost);
  library->SetVersion(CONTROL_SURFACE_TYPELIB_MAJOR, CONTROL_SURFACE_TYPELIB_MINOR);
  library->SetName(const_cast<LPOLESTR>(L"ControlSurfaceHostTest"));
  library->SetLcid(0);

  CComPtr<ICreateTypeInfo> info;
  hr = library->CreateTypeInfo(const_cast<LPOLESTR>(L"IControlSurface"), TKIND_INTERFACE, info.Put());
  if (FAILED(hr)) return hr;
  info->SetGuid(IID_IControlSurface);
  CComPtr<ITypeLib> stdole;
  hr = LoadTypeLib(L"stdole2.tlb", stdole.Put());
  if (FAILED(hr)) return hr;
  CComPtr<ITypeInfo> dispatch;
  hr = stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.Put());
  if (FAILED(hr)) return hr;
  HREFTYPE base = 0;
  info->AddRefTypeInfo(dispatch.Get(), &base);
  info->AddImplType(0, base);

  UINT index = 0;
  for (const Method& method : METHODS) {
    TYPEDESC pointees[2] = {};
    ELEMDESC params[2] = {};
    UINT p = 0;
    for (VARTYPE type : method.params) {
      if (type & VT_PTR) {
        pointees[p].vt = static_cast<VARTYPE>(type & ~VT_PTR);
        params[p].tdesc.vt = VT_PTR;
        params[p].tdesc.lptdesc = &pointees[p];
      } else {
        params[p].tdesc.vt = type;
      }
      params[p].paramdesc.wParamFlags = PARAMFLAG_FIN;
      ++p;
    }
    FUNCDESC function = {};
    function.memid = static_cast<MEMBERID>(index + 1);
    function.funckind = FUNC_PUREVIRTUAL;
    function.invkind = INVOKE_FUNC;
    function.callconv = CC_STDCALL;
    function.cParams = static_cast<SHORT>(p);
    function.lprgelemdescParam = params;
    function.elemdescFunc.tdesc.vt = VT_HRESULT;
    hr = info->AddFuncDesc(index, &function);
    if (FAILED(hr)) return hr;
    LPOLESTR names[3] = {const_cast<LPOLESTR>(method.name)};
    UINT n = 1;
    for (const wchar_t* name : method.paramNames) names[n++] = const_cast<LPOLESTR>(name);
    hr = info->SetFuncAndParamNames(index, names, n);
    if (FAILED(hr)) return hr;
    ++index;
  }
  hr = info->LayOut();
  if (FAILED(hr)) return hr;
  return library->SaveAllChanges();
}

class Dispatch : public RegisteredPlugin {};

TEST_F(Dispatch, ReachesTheObjectThroughTheHostsTypeLibraryAndFailsCleanlyWithoutIt) {
  CComPtr<IControlSurface> surface;
  ASSERT_EQ(S_OK,
            CoCreateInstance(CLSID_Tavrel, nullptr, CLSCTX_INPROC_SERVER, IID_IControlSurface, surface.PutVoid()));
  UINT count = 7;
  CComPtr<ITypeInfo> info;
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"RefreshFeedback");
  DISPPARAMS none = {};

  // No library installed.
  EXPECT_EQ(S_OK, surface->GetTypeInfoCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(E_NOTIMPL, surface->GetTypeInfo(0, 0, info.Put()));
  EXPECT_EQ(E_INVALIDARG, surface->GetTypeInfo(1, 0, info.Put()));
  EXPECT_EQ(E_NOTIMPL, surface->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  EXPECT_EQ(E_NOTIMPL, surface->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
            surface->Invoke(1, IID_IControlSurface, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));

  // Install one.
  wchar_t folder[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
  const std::wstring path = std::wstring(folder) + L"tavrel_control_surface_test.tlb";
  ASSERT_EQ(S_OK, BuildTypeLibrary(path));
  CComPtr<ITypeLib> library;
  ASSERT_EQ(S_OK, LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.Put()));
  library.Reset();

  EXPECT_EQ(S_OK, surface->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ASSERT_EQ(S_OK, surface->GetTypeInfo(0, 0, info.Put()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(IID_IControlSurface, attributes->guid));
  info->ReleaseTypeAttr(attributes);
  info.Reset();

  ASSERT_EQ(S_OK, surface->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
  EXPECT_EQ(6, id);

  // Invoke reaches the object: a refresh through IDispatch switches the
  // attached surface off as a direct call does.
  FakeHost host;
  ASSERT_EQ(S_OK, surface->AttachHost(&host, 0));
  VARIANT args[2];
  for (VARIANT& arg : args) {
    VariantInit(&arg);
    arg.vt = VT_UI4;
    arg.ulVal = 0;
  }
  DISPPARAMS params = {args, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(S_OK, surface->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
  const std::vector<std::string> sends = host.Sends();
  ASSERT_GE(sends.size(), 201u);
  EXPECT_EQ("send be 4f 00", sends.front());
  surface->DetachHost();

  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  EXPECT_EQ(S_OK, UnRegisterTypeLib(LIBID_ControlSurfaceHost, CONTROL_SURFACE_TYPELIB_MAJOR,
                                    CONTROL_SURFACE_TYPELIB_MINOR, 0, kind));
  surface.Reset();
  DeleteFileW(path.c_str());
}

}  // namespace
