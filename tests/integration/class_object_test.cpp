// The DLL as COM sees it: its export and import tables, its class objects
// and the unload rule, through LoadLibrary and GetProcAddress.
#include <gtest/gtest.h>
#include <ocidl.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <thread>

#include "class_ids.h"
#include "com_test_support.h"
#include "host_interfaces.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

class PluginModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = LoadLibraryA(PluginPath().c_str());
    ASSERT_NE(nullptr, module) << PluginPath();
    getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, getClassObject);
    ASSERT_NE(nullptr, canUnloadNow);
  }
  static void TearDownTestSuite() { FreeLibrary(module); }

  const IMAGE_DATA_DIRECTORY& Directory(int which) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[which];
  }
  const BYTE* At(DWORD rva) { return reinterpret_cast<const BYTE*>(module) + rva; }

  CComPtr<IClassFactory> Factory(REFCLSID clsid) {
    CComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, getClassObject(clsid, IID_IClassFactory, factory.PutVoid()));
    return factory;
  }

  static HMODULE module;
  static GetClassObjectFn getClassObject;
  static CanUnloadFn canUnloadNow;
};

HMODULE PluginModule::module = nullptr;
GetClassObjectFn PluginModule::getClassObject = nullptr;
CanUnloadFn PluginModule::canUnloadNow = nullptr;

TEST_F(PluginModule, ExportsExactlyTheFourServerEntryPointsUndecorated) {
  const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  ASSERT_NE(0u, directory.VirtualAddress);
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(At(directory.VirtualAddress));
  auto* names = reinterpret_cast<const DWORD*>(At(exports->AddressOfNames));
  std::set<std::string> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) found.insert(reinterpret_cast<const char*>(At(names[i])));
  EXPECT_EQ((std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}),
            found);
  EXPECT_EQ(4u, exports->NumberOfFunctions);
}

TEST_F(PluginModule, ImportsSystemLibrariesOnly) {
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "ole32.dll",
                                        "oleaut32.dll", "advapi32.dll", "msvcrt.dll",  "comctl32.dll",
                                        "shell32.dll",  "olepro32.dll", "comdlg32.dll"};
  const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  ASSERT_NE(0u, directory.VirtualAddress);
  std::set<std::string> imported;
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(At(directory.VirtualAddress)); entry->Name != 0;
       ++entry)
    imported.insert(Lower(reinterpret_cast<const char*>(At(entry->Name))));
  EXPECT_TRUE(imported.count("ole32.dll"));
  for (const std::string& name : imported) EXPECT_TRUE(system.count(name)) << "imports " << name;
}

TEST_F(PluginModule, ClassObjectsForTheTwoClassesOnly) {
  for (const CLSID* clsid : {&CLSID_Tavrel, &CLSID_TavrelPropPage}) {
    for (const IID* iid : {&IID_IClassFactory, &IID_IUnknown}) {
      IUnknown* factory = nullptr;
      ASSERT_EQ(S_OK, getClassObject(*clsid, *iid, reinterpret_cast<void**>(&factory)));
      ASSERT_NE(nullptr, factory);
      // The caller holds the only reference.
      EXPECT_EQ(2u, factory->AddRef());
      EXPECT_EQ(1u, factory->Release());
      EXPECT_EQ(0u, factory->Release());
    }
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, getClassObject(*clsid, IID_IDispatch, &other));
    EXPECT_EQ(nullptr, other);
  }
  void* none = nullptr;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IControlSurface, IID_IClassFactory, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_POINTER, getClassObject(CLSID_Tavrel, IID_IClassFactory, nullptr));
}

TEST_F(PluginModule, FactoriesCreateTheirObjectsAndRefuseAggregation) {
  CComPtr<IClassFactory> surfaceFactory = Factory(CLSID_Tavrel);
  CComPtr<IClassFactory> pageFactory = Factory(CLSID_TavrelPropPage);
  ASSERT_NE(nullptr, surfaceFactory.Get());
  ASSERT_NE(nullptr, pageFactory.Get());

  {
    CComPtr<IControlSurface> surface;
    ASSERT_EQ(S_OK, surfaceFactory->CreateInstance(nullptr, IID_IControlSurface, surface.PutVoid()));
    EXPECT_EQ(2u, surface->AddRef());  // one reference, the caller's
    surface->Release();
    CComPtr<IPropertyPage> page;
    ASSERT_EQ(S_OK, pageFactory->CreateInstance(nullptr, IID_IPropertyPage, page.PutVoid()));
    EXPECT_EQ(2u, page->AddRef());
    page->Release();
  }
  EXPECT_EQ(S_OK, canUnloadNow());

  for (IClassFactory* factory : {surfaceFactory.Get(), pageFactory.Get()}) {
    // The outer object is never called: aggregation is refused up front.
    void* object = reinterpret_cast<void*>(1);
    auto* outer = reinterpret_cast<IUnknown*>(&object);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    object = reinterpret_cast<void*>(1);
    // An interface the object lacks: the new object is destroyed at once.
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
  }
}

TEST_F(PluginModule, CanUnloadOnlyWithNoObjectNoPageAndNoLock) {
  ASSERT_EQ(S_OK, canUnloadNow());
  CComPtr<IClassFactory> factory = Factory(CLSID_Tavrel);
  EXPECT_EQ(S_OK, canUnloadNow());  // factories are not counted

  {
    CComPtr<IUnknown> surface;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, surface.PutVoid()));
    EXPECT_EQ(S_FALSE, canUnloadNow());
  }
  EXPECT_EQ(S_OK, canUnloadNow());
  {
    // A page that has no surface object yet still keeps the module.
    CComPtr<IClassFactory> pageFactory = Factory(CLSID_TavrelPropPage);
    CComPtr<IUnknown> page;
    ASSERT_EQ(S_OK, pageFactory->CreateInstance(nullptr, IID_IUnknown, page.PutVoid()));
    EXPECT_EQ(S_FALSE, canUnloadNow());
  }
  EXPECT_EQ(S_OK, canUnloadNow());

  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(S_FALSE, canUnloadNow());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(S_OK, canUnloadNow());
  // An unmatched unlock drives the count below zero: not unloadable until
  // a lock brings it back.
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(S_FALSE, canUnloadNow());
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(S_OK, canUnloadNow());
}

// A host that deactivates and releases the page on a thread other than the
// window's: that thread cannot destroy the window, whose dialog procedure is
// still this module's code. The module stays until the window has destroyed
// itself on its own thread, when that thread next pumps its messages.
TEST_F(PluginModule, PageWindowLeftBehindKeepsTheModuleUntilItHasDestroyedItself) {
  HWND frame = CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 640, 440, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, frame);
  CScopeExit closeFrame([&] { DestroyWindow(frame); });
  IPropertyPage* page = nullptr;
  ASSERT_EQ(S_OK,
            Factory(CLSID_TavrelPropPage)->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page)));
  RECT rect = {0, 0, 561, 350};
  ASSERT_EQ(S_OK, page->Activate(frame, &rect, FALSE));
  HWND window = GetWindow(frame, GW_CHILD);
  std::thread([page] {
    EXPECT_EQ(E_FAIL, page->Deactivate());
    EXPECT_EQ(0u, page->Release());
  }).join();

  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(S_FALSE, canUnloadNow()) << "the window's procedure is in the module";
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(S_OK, canUnloadNow());
}

}  // namespace
