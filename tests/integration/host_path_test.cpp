// The plug-in as a host uses it: created by CLSID through COM, attached to a
// recording host, fed input, its settings carried through OLE streams, and
// its property page shown in the system's own property frame.
#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "class_ids.h"
#include "com_test_support.h"
#include "fake_host.h"
#include "host_interfaces.h"
#include "midi_map.h"
#include "page_resources.h"
#include "surface_config.h"
#include "tavrel.h"

namespace {

DWORD Word(uint8_t status, uint8_t controller, uint8_t value) {
  return status | (static_cast<DWORD>(controller) << 8) | (static_cast<DWORD>(value) << 16);
}

bool HasLineStarting(const std::vector<std::string>& log, const std::string& prefix) {
  return std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// The settings block of `persist`, as its Save writes it.
std::string SavedBlock(IPersistStream* persist) {
  CComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()))) return "";
  persist->Save(stream.Get(), TRUE);
  return StreamBytes(stream.Get());
}

class HostPath : public RegisteredPlugin {
 protected:
  CComPtr<IControlSurface> CreateSurface() {
    CComPtr<IControlSurface> surface;
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_Tavrel, nullptr, CLSCTX_INPROC_SERVER, IID_IControlSurface, surface.PutVoid()));
    return surface;
  }
};

TEST_F(HostPath, CreatedByClsidItDrivesTheHostLikeTheCoreObject) {
  CComPtr<IControlSurface> surface = CreateSurface();
  ASSERT_NE(nullptr, surface.Get());
  FakeHost host;
  ASSERT_EQ(S_OK, surface->AttachHost(&host, 0));
  EXPECT_EQ(S_OK, surface->RefreshFeedback(0, 0));
  const std::vector<std::string> refresh = host.Sends();
  ASSERT_GE(refresh.size(), 201u);
  EXPECT_EQ("send be 4f 00", refresh.front());

  // A fader that agrees with the host writes the strip's volume.
  host.ClearLog();
  surface->OnShortMidi(Word(midi::STATUS_CH16, 0, 0));
  surface->OnShortMidi(Word(midi::STATUS_CH16, 0, 64));
  EXPECT_TRUE(HasLineStarting(host.Log(), "SetParam strip=0 param=0 index=0 value=0.5039"))
      << ::testing::PrintToString(host.Log());

  // A function key does what the same key does on the core object itself.
  CTavrel* reference = new CTavrel();
  FakeHost referenceHost;
  reference->AttachHost(&referenceHost, 0);
  reference->RefreshFeedback(0, 0);
  host.ClearLog();
  referenceHost.ClearLog();
  for (uint8_t value : {127, 0}) {
    surface->OnShortMidi(Word(midi::STATUS_CH15, midi::CC_FUNCTION_F1, value));
    reference->OnShortMidi(Word(midi::STATUS_CH15, midi::CC_FUNCTION_F1, value));
  }
  EXPECT_FALSE(host.Log().empty());
  EXPECT_EQ(referenceHost.Log(), host.Log());
  reference->DetachHost();
  reference->Release();

  EXPECT_EQ(S_OK, surface->DetachHost());
  EXPECT_FALSE(host.SawUnexpected());
  surface.Reset();
  for (int which = 0; which < static_cast<int>(HostInterface::Count); ++which)
    EXPECT_EQ(0, host.RefCount(static_cast<HostInterface>(which)));
}

TEST_F(HostPath, SettingsTravelThroughOleStreamsIntoANewObject) {
  BYTE block[CONFIG_SIZE];
  std::copy(DEFAULT_SETTINGS, DEFAULT_SETTINGS + CONFIG_SETTINGS_SIZE, block);
  std::fill(block + CONFIG_SETTINGS_SIZE, block + CONFIG_SIZE, BYTE{0});
  block[0] = 5;                   // F1
  block[9] = 9;                   // send A: pan of send 5
  block[16] = 1;                  // cursor keys select banks
  block[CONFIG_SIZE - 1] = 0x5A;  // reserved bytes travel unchanged

  CComPtr<IControlSurface> surface = CreateSurface();
  CComPtr<IPersistStream> persist;
  ASSERT_EQ(S_OK, surface->QueryInterface(IID_IPersistStream, persist.PutVoid()));
  CComPtr<IStream> source;
  *source.Put() = StreamHolding(block, sizeof block);
  ASSERT_EQ(S_OK, persist->Load(source.Get()));

  CComPtr<IStream> project;
  ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, project.Put()));
  ASSERT_EQ(S_OK, OleSaveToStream(persist.Get(), project.Get()));
  const std::string stored = StreamBytes(project.Get());
  ASSERT_EQ(sizeof(CLSID) + CONFIG_SIZE, stored.size());  // the class id, then the block alone
  EXPECT_EQ(0, std::memcmp(stored.data(), &CLSID_Tavrel, sizeof(CLSID)));

  const LARGE_INTEGER start = {};
  project->Seek(start, STREAM_SEEK_SET, nullptr);
  CComPtr<IPersistStream> restored;
  ASSERT_EQ(S_OK, OleLoadFromStream(project.Get(), IID_IPersistStream, restored.PutVoid()));
  ASSERT_NE(persist.Get(), restored.Get());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), sizeof block), SavedBlock(restored.Get()));
}

// Stands between the system's property frame and the real page, which it
// obtains from the DLL's own class object, and notes what the frame calls.
class PageSpy : public IPropertyPage {
 public:
  explicit PageSpy(IPropertyPage* inner) : m_inner(inner) {}
  std::vector<std::string> calls;
  ULONG setObjectsCount = 99;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPropertyPage)) {
      *ppv = static_cast<IPropertyPage*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--m_refs == 0) {
      m_inner->Release();
      m_inner = nullptr;
    }
    return m_refs;
  }
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
    calls.push_back(site ? "SetPageSite" : "SetPageSite(null)");
    return m_inner->SetPageSite(site);
  }
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override {
    calls.push_back("Activate");
    return m_inner->Activate(parent, rect, modal);
  }
  HRESULT STDMETHODCALLTYPE Deactivate() override {
    calls.push_back("Deactivate");
    return m_inner->Deactivate();
  }
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override { return m_inner->GetPageInfo(info); }
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
    calls.push_back(count ? "SetObjects" : "SetObjects(0)");
    if (count) setObjectsCount = count;
    return m_inner->SetObjects(count, objects);
  }
  HRESULT STDMETHODCALLTYPE Show(UINT cmdShow) override { return m_inner->Show(cmdShow); }
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override { return m_inner->Move(rect); }
  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return m_inner->IsPageDirty(); }
  HRESULT STDMETHODCALLTYPE Apply() override {
    calls.push_back("Apply");
    return m_inner->Apply();
  }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR dir) override { return m_inner->Help(dir); }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override { return m_inner->TranslateAccelerator(msg); }

 private:
  IPropertyPage* m_inner;
  ULONG m_refs = 1;
};

// Hands the frame the spy instead of a fresh page (one page per frame).
class SpyFactory : public IClassFactory {
 public:
  PageSpy* spy = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return spy->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// What the frame's timer found and did.
struct FrameVisit {
  HWND frame = nullptr;
  HWND comboF1 = nullptr;
  LRESULT shownF1 = CB_ERR;
  bool choiceMade = false;
} g_visit;

constexpr wchar_t FRAME_CAPTION[] = L"Tavrel surface";
constexpr int CHOSEN_F1 = 7;

BOOL CALLBACK FindComboF1(HWND window, LPARAM) {
  if (GetDlgCtrlID(window) == IDC_COMBO_F1) {
    g_visit.comboF1 = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindFrame(HWND window, LPARAM) {
  g_visit.comboF1 = nullptr;
  EnumChildWindows(window, FindComboF1, 0);
  if (g_visit.comboF1 == nullptr) return TRUE;
  g_visit.frame = window;
  return FALSE;
}

// Runs inside the frame's modal loop: finds the page in the frame, notes what
// it shows, makes a choice as a user would, and closes the frame with OK.
void CALLBACK VisitFrame(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindFrame, 0);
  if (g_visit.frame == nullptr) return;
  KillTimer(nullptr, timer);
  g_visit.shownF1 = SendMessageW(g_visit.comboF1, CB_GETCURSEL, 0, 0);
  SendMessageW(g_visit.comboF1, CB_SETCURSEL, CHOSEN_F1, 0);
  SendMessageW(GetParent(g_visit.comboF1), WM_COMMAND, MAKEWPARAM(IDC_COMBO_F1, CBN_SELENDOK),
               reinterpret_cast<LPARAM>(g_visit.comboF1));
  g_visit.choiceMade = true;
  PostMessageW(g_visit.frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

BOOL CALLBACK PostClose(HWND window, LPARAM) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// Should the frame never be found, close whatever it is so the test fails
// instead of hanging.
DWORD WINAPI Watchdog(LPVOID thread) {
  Sleep(60000);
  if (!g_visit.choiceMade) EnumThreadWindows(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(thread)), PostClose, 0);
  return 0;
}

TEST_F(HostPath, PropertyPageAskedForByTheSurfaceOpensInTheSystemsFrame) {
  CComPtr<IControlSurface> surface = CreateSurface();
  ASSERT_NE(nullptr, surface.Get());

  CComPtr<ISpecifyPropertyPages> specify;
  ASSERT_EQ(S_OK, surface->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid()));
  CAUUID pages = {};
  ASSERT_EQ(S_OK, specify->GetPages(&pages));
  ASSERT_EQ(1u, pages.cElems);
  ASSERT_NE(nullptr, pages.pElems);
  const CLSID pageClsid = pages.pElems[0];
  CoTaskMemFree(pages.pElems);
  EXPECT_TRUE(IsEqualGUID(CLSID_TavrelPropPage, pageClsid));

  // Created by the CLSID the surface named, through the registry.
  CComPtr<IPropertyPage> page;
  ASSERT_EQ(S_OK, CoCreateInstance(pageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.PutVoid()));

  // The frame creates its page by that CLSID too; it gets the spy around
  // the real page just created.
  PageSpy spy(page.Get());
  page.Get()->AddRef();
  SpyFactory factory;
  factory.spy = &spy;
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, CoRegisterClassObject(pageClsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));

  CComPtr<IPersistStream> persist;
  ASSERT_EQ(S_OK, surface->QueryInterface(IID_IPersistStream, persist.PutVoid()));
  std::string before = SavedBlock(persist.Get());
  ASSERT_EQ(static_cast<size_t>(CONFIG_SIZE), before.size());
  ASSERT_NE(CHOSEN_F1, before[0]);

  g_visit = {};
  ASSERT_NE(0u, SetTimer(nullptr, 0, 100, VisitFrame));
  HANDLE watchdog = CreateThread(nullptr, 0, Watchdog,
                                 reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(GetCurrentThreadId())), 0, nullptr);
  IUnknown* objects[] = {surface.Get()};
  CLSID pageList[] = {pageClsid};
  const HRESULT shown =
      OleCreatePropertyFrame(nullptr, 10, 10, FRAME_CAPTION, 1, objects, 1, pageList, LOCALE_USER_DEFAULT, 0, nullptr);
  CoRevokeClassObject(cookie);
  TerminateThread(watchdog, 0);
  CloseHandle(watchdog);

  EXPECT_EQ(S_OK, shown);
  ASSERT_TRUE(g_visit.choiceMade) << "the page never appeared in the frame";
  const std::vector<std::string>& calls = spy.calls;
  auto position = [&](const char* name) { return std::find(calls.begin(), calls.end(), name) - calls.begin(); };
  ASSERT_LT(position("SetPageSite"), position("Activate")) << ::testing::PrintToString(calls);
  ASSERT_LT(position("SetObjects"), static_cast<ptrdiff_t>(calls.size())) << ::testing::PrintToString(calls);
  EXPECT_EQ(1u, spy.setObjectsCount);
  // The page showed the surface's own setting, and the choice reached it.
  EXPECT_EQ(static_cast<LRESULT>(static_cast<BYTE>(before[0])), g_visit.shownF1);
  std::string after = SavedBlock(persist.Get());
  ASSERT_EQ(static_cast<size_t>(CONFIG_SIZE), after.size());
  EXPECT_EQ(CHOSEN_F1, after[0]);
  before[0] = static_cast<char>(CHOSEN_F1);
  EXPECT_EQ(before, after);  // nothing else changed
  spy.Release();             // the spy's own reference on the real page
}

}  // namespace
