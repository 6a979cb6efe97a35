// The property page in real windows under Wine: its COM rules, its template,
// its lists and the bytes the user's choices land in.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dialog_init_data.h"
#include "function_command_table.h"
#include "prop_page.h"
#include "send_captions.h"
#include "tavrel.h"

namespace {

// A site that only counts references.
class CountingSite : public IPropertyPageSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPageSite)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
  int refs = 1;
};

// Some other COM object: it must be refused without being read.
class ForeignObject : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  int refs = 1;
};

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string ComboItem(HWND combo, int index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return "<none>";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string SelectedItem(HWND combo) {
  return ComboItem(combo, static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)));
}

class PageTest : public testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    frame = CreateWindowExA(0, "STATIC", "Tavrel page test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 440,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    page = new CTavrelPropPage();
    surface = new CTavrel();
  }
  void TearDown() override {
    if (page) page->Release();
    if (surface) surface->Release();
    DestroyWindow(frame);
    PumpMessages();
    CoUninitialize();
  }

  HRESULT Hold(CTavrel* object) {
    IUnknown* unknown = static_cast<IControlSurface*>(object);
    return page->SetObjects(1, &unknown);
  }
  HRESULT Open() {
    RECT rect = {0, 0, 561, 350};
    const HRESULT result = page->Activate(frame, &rect, FALSE);
    PumpMessages();
    return result;
  }
  // The host closes its frame (and with it the page's window) and opens another.
  void ReplaceFrame() {
    DestroyWindow(frame);
    frame = CreateWindowExA(0, "STATIC", "Tavrel page test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 440,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  HWND PageWindow() const { return GetWindow(frame, GW_CHILD); }
  HWND Control(int id) const { return GetDlgItem(PageWindow(), id); }
  // The user picks item `index` in combo `id` and closes the list.
  void Choose(int id, int index) {
    SendMessageA(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(PageWindow(), WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(Control(id)));
  }
  void Click(int id) { SendMessageA(Control(id), BM_CLICK, 0, 0); }
  bool Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void FillConfig(uint8_t value) {
    for (size_t i = 0; i < CONFIG_SIZE; ++i) surface->SetConfigByte(i, value);
  }

  HWND frame = nullptr;
  CTavrelPropPage* page = nullptr;
  CTavrel* surface = nullptr;
};

TEST_F(PageTest, SetObjectsAcceptsOnlyOneSurfaceObjectOfThisModule) {
  IUnknown* unknown = static_cast<IControlSurface*>(surface);
  EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED) << "nothing held yet";
  EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
  IUnknown* none = nullptr;
  EXPECT_EQ(page->SetObjects(1, &none), E_POINTER);
  IUnknown* two[] = {unknown, unknown};
  EXPECT_EQ(page->SetObjects(2, two), E_UNEXPECTED);

  ForeignObject foreign;
  IUnknown* foreignUnknown = &foreign;
  EXPECT_EQ(page->SetObjects(1, &foreignUnknown), E_POINTER);
  EXPECT_EQ(foreign.refs, 1) << "a refused object keeps no reference";
  EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED) << "a refused object is not held";

  EXPECT_EQ(RefCount(unknown), 1u);
  EXPECT_EQ(Hold(surface), S_OK);
  EXPECT_EQ(RefCount(unknown), 2u);
  EXPECT_EQ(Hold(surface), S_OK);
  EXPECT_EQ(RefCount(unknown), 2u) << "the same object again takes no second reference";
  // Through another of its interfaces it is still the same object.
  IUnknown* persist = static_cast<IPersistStream*>(surface);
  EXPECT_EQ(page->SetObjects(1, &persist), S_OK);
  EXPECT_EQ(RefCount(unknown), 2u);

  CTavrel* other = new CTavrel();
  EXPECT_EQ(Hold(other), S_OK);
  EXPECT_EQ(RefCount(unknown), 1u) << "switching objects releases the old one";
  EXPECT_EQ(RefCount(static_cast<IControlSurface*>(other)), 2u);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(RefCount(static_cast<IControlSurface*>(other)), 1u);
  EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
  other->Release();
}

TEST_F(PageTest, GetPageInfoGivesTitleStructureSizeAndPixelSize) {
  EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
  PROPPAGEINFO info = {};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  ASSERT_NE(info.pszTitle, nullptr);
  EXPECT_EQ(std::wstring(info.pszTitle), L"Tavrel");
  CoTaskMemFree(info.pszTitle);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  EXPECT_EQ(info.cb, sizeof(void*) == 8 ? 48u : 28u);
  EXPECT_EQ(info.pszDocString, nullptr);
  EXPECT_EQ(info.pszHelpFile, nullptr);
  EXPECT_EQ(info.dwHelpContext, 0u);

  // The measured size is the dialog's own: 374 x 215 dialog units in pixels.
  ASSERT_EQ(Open(), S_OK);
  RECT units = {0, 0, 374, 215};
  MapDialogRect(PageWindow(), &units);
  EXPECT_EQ(info.size.cx, units.right);
  EXPECT_EQ(info.size.cy, units.bottom);
  EXPECT_NE(info.size.cx, 100);
}

TEST_F(PageTest, WindowLifecycle) {
  RECT rect = {0, 0, 561, 350};
  EXPECT_EQ(page->Activate(frame, nullptr, FALSE), E_POINTER);
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
  HWND window = PageWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_EQ(page->Activate(frame, &rect, FALSE), E_UNEXPECTED);
  EXPECT_EQ(page->Show(SW_SHOWMINIMIZED), E_INVALIDARG);
  EXPECT_EQ(page->Show(SW_HIDE), S_OK);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT moved = {10, 20, 300, 200};
  EXPECT_EQ(page->Move(&moved), S_OK);
  RECT bounds;
  GetWindowRect(window, &bounds);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&bounds), 2);
  EXPECT_EQ(bounds.left, 10);
  EXPECT_EQ(bounds.bottom - bounds.top, 180);
  EXPECT_EQ(page->Move(nullptr), E_POINTER);
  EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
  EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);

  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
  EXPECT_EQ(Open(), S_OK) << "a deactivated page activates again";
}

TEST_F(PageTest, TemplateHasTheControlsInOrder) {
  HWND probe = CreateDialogParamA(DialogResourceModule(), MAKEINTRESOURCEA(IDD_TAVREL_PAGE), frame, IgnoreMessages, 0);
  ASSERT_NE(probe, nullptr);
  const LONG style = GetWindowLongA(probe, GWL_STYLE);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_FALSE(style & (WS_VISIBLE | WS_CAPTION));
  EXPECT_TRUE(GetWindowLongA(probe, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

  std::vector<HWND> controls;
  for (HWND c = GetWindow(probe, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) controls.push_back(c);
  ASSERT_EQ(controls.size(), 43u);
  // The picture fills the page; the dialog manager loaded bitmap 132 into it.
  EXPECT_NE(SendMessageA(controls[0], STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  BITMAP picture = {};
  GetObjectA(reinterpret_cast<HBITMAP>(SendMessageA(controls[0], STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof(picture),
             &picture);
  EXPECT_EQ(picture.bmWidth, 561);
  EXPECT_EQ(picture.bmHeight, 350);

  auto kindOf = [](HWND combo) { return GetWindowLongA(combo, GWL_STYLE) & 3; };
  EXPECT_EQ(kindOf(GetDlgItem(probe, 1003)), CBS_DROPDOWNLIST);
  for (int id = 1004; id <= 1011; ++id) EXPECT_EQ(kindOf(GetDlgItem(probe, id)), CBS_DROPDOWN) << id;
  for (int id = 1012; id <= 1016; ++id) EXPECT_EQ(kindOf(GetDlgItem(probe, id)), CBS_DROPDOWNLIST) << id;
  for (int id = 1003; id <= 1016; ++id) {
    const LONG comboStyle = GetWindowLongA(GetDlgItem(probe, id), GWL_STYLE);
    // (The combo hands WS_VSCROLL on to its list, so it is not seen here.)
    EXPECT_EQ(comboStyle & (WS_TABSTOP | CBS_AUTOHSCROLL | CBS_SORT), WS_TABSTOP | CBS_AUTOHSCROLL) << id;
  }
  // Each pair of radio buttons is a group of its own.
  for (int first : {1017, 1019, 1021}) {
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(probe, first), GWL_STYLE) & WS_GROUP) << first;
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(probe, first + 1), GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) << first;
  }
  // A control sits where its dialog units say: the F5 combo at 137, 49.
  RECT expected = {137, 49, 0, 0};
  MapDialogRect(probe, &expected);
  RECT actual;
  GetWindowRect(GetDlgItem(probe, 1007), &actual);
  MapWindowPoints(nullptr, probe, reinterpret_cast<POINT*>(&actual), 2);
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  DestroyWindow(probe);
}

TEST_F(PageTest, CombosListTheCommandTableAndTheSends) {
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  for (int id = IDC_COMBO_F1; id <= IDC_COMBO_F9; ++id) {
    ASSERT_EQ(SendMessageA(Control(id), CB_GETCOUNT, 0, 0), fkeys::COMMAND_COUNT) << id;
    for (int row = 0; row < fkeys::COMMAND_COUNT; ++row) {
      char item[32];
      fkeys::FormatListItem(row, item, sizeof(item));
      EXPECT_EQ(ComboItem(Control(id), row), item) << id << " row " << row;
    }
  }
  EXPECT_EQ(ComboItem(Control(1003), 0), "       None");
  EXPECT_EQ(ComboItem(Control(1003), 11), "       Close ");
  EXPECT_EQ(ComboItem(Control(1003), 31), "Ins. Aud Track");
  const char* sends[] = {"Send Vol 1", "Send Pan 1", "Send Vol 2", "Send Pan 2", "Send Vol 3",
                         "Send Pan 3", "Send Vol 4", "Send Pan 4", "Send Vol 5", "Send Pan 5"};
  for (int id = IDC_COMBO_SEND_A; id <= IDC_COMBO_SEND_E; ++id) {
    ASSERT_EQ(SendMessageA(Control(id), CB_GETCOUNT, 0, 0), 10) << id;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ComboItem(Control(id), i), sends[i]) << id;
  }
}

TEST_F(PageTest, UserChoicesLandInTheirBytes) {
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  Choose(1007, 41);  // F5
  EXPECT_EQ(surface->ConfigByte(4), 41);
  Choose(1003, 0);  // F1 "None"
  EXPECT_EQ(surface->ConfigByte(0), 0);
  Choose(1014, 7);  // Send C
  EXPECT_EQ(surface->ConfigByte(11), 7);

  const struct {
    int id;
    size_t byte;
    uint8_t value;
  } radios[] = {{1017, 14, 0}, {1018, 14, 1}, {1020, 15, 1}, {1019, 15, 0}, {1022, 16, 1}, {1021, 16, 0}};
  for (const auto& radio : radios) {
    surface->SetConfigByte(radio.byte, 0x7E);
    Click(radio.id);
    EXPECT_EQ(surface->ConfigByte(radio.byte), radio.value) << radio.id;
    EXPECT_TRUE(Checked(radio.id)) << radio.id;
  }
  // Nothing else moved, and the page still never reports itself dirty.
  EXPECT_EQ(surface->ConfigByte(17), 0);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Apply(), S_OK);
}

TEST_F(PageTest, NoSelectionStoresNothing) {
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  surface->SetConfigByte(1, 12);
  SendMessageA(Control(1004), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageA(PageWindow(), WM_COMMAND, MAKEWPARAM(1004, CBN_SELENDOK), reinterpret_cast<LPARAM>(Control(1004)));
  EXPECT_EQ(surface->ConfigByte(1), 12) << "CB_ERR must not overwrite the assignment";
}

TEST_F(PageTest, StoredValuesThatAreNoItemShowNoSelection) {
  surface->SetConfigByte(0, 42);    // one past the last command
  surface->SetConfigByte(1, 0xFF);  // -1 as a signed byte
  surface->SetConfigByte(2, 0x80);
  surface->SetConfigByte(3, 41);
  surface->SetConfigByte(9, 10);  // one past the last send item
  surface->SetConfigByte(10, 9);
  surface->SetConfigByte(14, 2);  // only bit 0 counts
  surface->SetConfigByte(15, 3);
  surface->SetConfigByte(16, 0xFE);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  EXPECT_EQ(SendMessageA(Control(1003), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(Control(1004), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(Control(1005), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(Control(1006), CB_GETCURSEL, 0, 0), 41);
  EXPECT_EQ(SendMessageA(Control(1012), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SelectedItem(Control(1013)), "Send Pan 5");
  EXPECT_TRUE(Checked(1017));
  EXPECT_FALSE(Checked(1018));
  EXPECT_TRUE(Checked(1020));
  EXPECT_FALSE(Checked(1019));
  EXPECT_TRUE(Checked(1021));

  // Another surface object while the window is open reloads the controls.
  CTavrel* other = new CTavrel();
  other->SetDefaultConfig();
  ASSERT_EQ(Hold(other), S_OK);
  EXPECT_EQ(SelectedItem(Control(1003)), "   Ins. Marker");
  EXPECT_TRUE(Checked(1018));
  page->SetObjects(0, nullptr);
  other->Release();
}

TEST_F(PageTest, DefaultOptionsRestoresSettingsAndKeepsReservedBytes) {
  FillConfig(0x21);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  Click(IDC_DEFAULT_OPTIONS);
  for (size_t i = 0; i < CONFIG_SETTINGS_SIZE; ++i) EXPECT_EQ(surface->ConfigByte(i), DEFAULT_SETTINGS[i]) << i;
  for (size_t i = CONFIG_SETTINGS_SIZE; i < CONFIG_SIZE; ++i) EXPECT_EQ(surface->ConfigByte(i), 0x21) << i;

  const char* shown[] = {"   Ins. Marker", "   Prev Marker", "   Next Marker", "       Undo", "       Snap",
                         "     Punch In",  "    Punch Out",  "Rec. Mode Ovr",  "       Redo"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(SelectedItem(Control(1003 + i)), shown[i]) << i;
  for (int i = 0; i < 5; ++i) {
    const char expected[] = {'S', 'e', 'n', 'd', ' ', 'V', 'o', 'l', ' ', static_cast<char>('1' + i), '\0'};
    EXPECT_EQ(SelectedItem(Control(1012 + i)), expected);
  }
  EXPECT_TRUE(Checked(1018));
  EXPECT_TRUE(Checked(1019));
  EXPECT_TRUE(Checked(1021));
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
}

TEST_F(PageTest, WithoutSurfaceObjectControlsChangeNothing) {
  ASSERT_EQ(Open(), S_OK) << "Activate works with nothing held";
  EXPECT_EQ(SendMessageA(Control(1003), CB_GETCURSEL, 0, 0), CB_ERR);
  Choose(1003, 5);
  Click(1018);
  Click(IDC_DEFAULT_OPTIONS);

  // An object taken away while the window is open is not touched any more.
  FillConfig(0x33);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
  Choose(1004, 5);
  Click(1020);
  Click(IDC_DEFAULT_OPTIONS);
  for (size_t i = 0; i < CONFIG_SIZE; ++i) EXPECT_EQ(surface->ConfigByte(i), 0x33) << i;
}

TEST_F(PageTest, LastReleaseLetsGoOfEverythingStillHeld) {
  const LONG pagesBefore = g_pageCount;
  CountingSite site;
  ASSERT_EQ(page->SetPageSite(&site), S_OK);
  EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
  EXPECT_EQ(site.refs, 2);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  HWND window = PageWindow();

  IUnknown* unknown = nullptr;
  ASSERT_EQ(page->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, static_cast<IPropertyPage*>(page));
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(page->QueryInterface(IID_IPropertyPageSite, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(unknown->Release(), 1u);

  EXPECT_EQ(page->Release(), 0u);  // the host skipped SetObjects(0), SetPageSite(NULL) and Deactivate
  page = nullptr;
  EXPECT_EQ(site.refs, 1);
  EXPECT_EQ(RefCount(static_cast<IControlSurface*>(surface)), 1u);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_pageCount, pagesBefore - 1);
}

TEST_F(PageTest, NormalHostSequenceReleasesOnce) {
  CountingSite site;
  ASSERT_EQ(page->SetPageSite(&site), S_OK);
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
  EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
  page->Release();
  page = nullptr;
  EXPECT_EQ(site.refs, 1);
  EXPECT_EQ(RefCount(static_cast<IControlSurface*>(surface)), 1u);
}

// A host that deactivates or releases the page on a thread other than the
// window's: that thread cannot destroy the window, which then lives on.
TEST_F(PageTest, DeactivateOnAnotherThreadFailsAndCutsTheWindowLoose) {
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  HWND window = PageWindow();
  HRESULT result = S_OK;
  std::thread([&] { result = page->Deactivate(); }).join();
  EXPECT_EQ(result, E_FAIL);
  ASSERT_TRUE(IsWindow(window));
  surface->SetConfigByte(0, 12);
  Choose(1003, 5);
  EXPECT_EQ(surface->ConfigByte(0), 12) << "the window no longer reaches the page";
  EXPECT_EQ(page->Deactivate(), S_OK) << "the window's own thread can still destroy it";
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(PageTest, LastReleaseOnAnotherThreadLeavesNoWindowPointingAtThePage) {
  ASSERT_EQ(Hold(surface), S_OK);
  ASSERT_EQ(Open(), S_OK);
  HWND window = PageWindow();
  CTavrelPropPage* leaving = page;
  page = nullptr;
  std::thread([leaving] { leaving->Release(); }).join();
  ASSERT_TRUE(IsWindow(window));
  // Everything the page used to answer now meets the dialog manager's default.
  surface->SetConfigByte(0, 12);
  Choose(1003, 5);
  Click(IDC_DEFAULT_OPTIONS);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  PumpMessages();
  EXPECT_EQ(surface->ConfigByte(0), 12);
  EXPECT_EQ(RefCount(static_cast<IControlSurface*>(surface)), 1u);
  DestroyWindow(window);
}

// The host's frame destroys the page's window itself: the page then holds no
// handle, so it activates again and never hands a dead one to DestroyWindow.
TEST_F(PageTest, WindowDestroyedByTheFrameLeavesThePageFreeToActivateAgain) {
  ASSERT_EQ(Hold(surface), S_OK);
  for (bool cutLoose : {false, true}) {
    ASSERT_EQ(Open(), S_OK) << cutLoose;
    HWND window = PageWindow();
    if (cutLoose) {
      HRESULT result = S_OK;
      std::thread([&] { result = page->Deactivate(); }).join();
      ASSERT_EQ(result, E_FAIL);
    }
    ReplaceFrame();  // before this thread pumps the window's own destroy request
    ASSERT_FALSE(IsWindow(window));
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED) << cutLoose;
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED) << cutLoose;
  }
  ASSERT_EQ(Open(), S_OK);
  Choose(1003, 5);
  EXPECT_EQ(surface->ConfigByte(0), 5) << "the new window reaches the page";
  EXPECT_EQ(page->Deactivate(), S_OK);
}

// The shipped DLL's list items, read as data: template 102's initialisation
// data adds, in control order, each function-command row's list item to the
// nine function-key combos and each send caption to the five send combos.
TEST(PageListsTest, TavrelDllCarriesTheCombosItemsAsInitialisationData) {
  HMODULE dll = LoadLibraryExA("Tavrel.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(IDD_TAVREL_PAGE), MAKEINTRESOURCEA(RT_DIALOG_INIT));
  ASSERT_NE(found, nullptr);
  // "control length 'text'": the length counts the terminating NUL.
  auto line = [](int control, size_t length, const char* text) {
    return std::to_string(control) + " " + std::to_string(length) + " '" + text + "'";
  };
  std::vector<std::string> expected;
  for (int id = IDC_COMBO_F1; id <= IDC_COMBO_F9; ++id) {
    for (int row = 0; row < fkeys::COMMAND_COUNT; ++row) {
      char item[32];
      fkeys::FormatListItem(row, item, sizeof(item));
      expected.push_back(line(id, std::strlen(item) + 1, item));
    }
  }
  for (int id = IDC_COMBO_SEND_A; id <= IDC_COMBO_SEND_E; ++id) {
    for (const char* caption : SEND_CAPTIONS) expected.push_back(line(id, std::strlen(caption) + 1, caption));
  }

  CDialogInitReader reader(LockResource(LoadResource(dll, found)), SizeofResource(dll, found));
  std::vector<std::string> actual;
  DialogInitEntry entry;
  while (reader.Next(&entry)) {
    EXPECT_EQ(entry.message, CB_ADDSTRING);
    const char* text = DialogInitText(entry);
    actual.push_back(text ? line(entry.control, entry.length, text) : "no text");
  }
  EXPECT_FALSE(reader.Damaged());
  EXPECT_EQ(actual, expected);
  FreeLibrary(dll);
}

// Leaves page.bmp in the working folder (the build folder); a follow-up test
// converts it to page.png for people to look at.
TEST_F(PageTest, Screenshot) {
  surface->SetDefaultConfig();
  ASSERT_EQ(Hold(surface), S_OK);
  PROPPAGEINFO info = {};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  CoTaskMemFree(info.pszTitle);
  RECT frameRect = {0, 0, info.size.cx, info.size.cy};
  AdjustWindowRect(&frameRect, WS_OVERLAPPEDWINDOW, FALSE);
  SetWindowPos(frame, HWND_TOP, 20, 20, frameRect.right - frameRect.left, frameRect.bottom - frameRect.top, 0);
  RECT rect = {0, 0, info.size.cx, info.size.cy};
  ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);
  SetForegroundWindow(frame);
  RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  for (int i = 0; i < 20; ++i) {
    PumpMessages();
    Sleep(25);
  }

  const int width = info.size.cx, height = info.size.cy;
  HDC source = GetDC(PageWindow());
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP shot = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(shot, nullptr);
  HGDIOBJ old = SelectObject(memory, shot);
  ASSERT_TRUE(BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY));
  SelectObject(memory, old);
  const DWORD imageSize = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageSize;
  FILE* out = std::fopen("page.bmp", "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(&file, sizeof(file), 1, out);
  std::fwrite(&format.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out);
  std::fwrite(bits, imageSize, 1, out);
  std::fclose(out);

  // The picture is really on screen under the controls: an open spot of the
  // "Function Buttons" panel shows the page's colour.
  RECT spot = {60, 50, 0, 0};
  MapDialogRect(PageWindow(), &spot);
  const auto* pixel = static_cast<const BYTE*>(bits) + (height - 1 - spot.top) * ((width * 3 + 3) & ~3) + spot.left * 3;
  EXPECT_EQ(RGB(pixel[2], pixel[1], pixel[0]), PAGE_BK_COLOR);
  DeleteObject(shot);
  DeleteDC(memory);
  ReleaseDC(PageWindow(), source);
  EXPECT_EQ(page->Deactivate(), S_OK);
}

}  // namespace
