#include "prop_page.h"

#include <cwchar>

#include "tavrel.h"

LONG volatile g_pageCount = 0;

namespace {

const wchar_t PAGE_TITLE[] = L"Tavrel";
constexpr size_t TITLE_ALLOCATION = 256;
constexpr LONG UNMEASURED_SIZE = 100;

// The measuring dialog in GetPageInfo only needs to exist.
INT_PTR CALLBACK AnswerTrue(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

}  // namespace

CTavrelPropPage::CTavrelPropPage() : CDialog(IDD_TAVREL_PAGE, nullptr) { InterlockedIncrement(&g_pageCount); }

CTavrelPropPage::~CTavrelPropPage() {
  // A host that skipped SetObjects(0) or SetPageSite(NULL), or Deactivate,
  // must not keep the surface object, the site or a window alive for good.
  if (GetSafeHwnd() != nullptr) DestroyWindow();
  if (m_fittedPicture != nullptr) ::DeleteObject(m_fittedPicture);
  m_surface.Reset();
  m_pageSite.Reset();
  InterlockedDecrement(&g_pageCount);
}

// --- IUnknown ---

HRESULT STDMETHODCALLTYPE CTavrelPropPage::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPage)) {
    *ppv = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CTavrelPropPage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_pageRef)); }

ULONG STDMETHODCALLTYPE CTavrelPropPage::Release() {
  const LONG count = InterlockedDecrement(&m_pageRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

// --- IPropertyPage ---

HRESULT STDMETHODCALLTYPE CTavrelPropPage::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr) {
    if (m_pageSite) return E_UNEXPECTED;
    site->AddRef();
    m_pageSite.Reset(site);
    return S_OK;
  }
  if (!m_pageSite) return E_UNEXPECTED;
  m_pageSite.Reset();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) {
  if (rect == nullptr) return E_POINTER;
  if (GetSafeHwnd() != nullptr) return E_UNEXPECTED;
  if (!Create(IDD_TAVREL_PAGE, parent)) return E_OUTOFMEMORY;
  SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  Move(rect);
  Show(SW_SHOWNORMAL);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::Deactivate() {
  if (GetSafeHwnd() == nullptr) return E_UNEXPECTED;
  // A window the host's thread may not destroy is cut loose from the page and
  // destroys itself on its own thread; the host learns it is still there for
  // now, and Activate refuses until it is gone.
  return DestroyWindow() ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  CComPtr<IMalloc> allocator;
  if (FAILED(CoGetMalloc(1, allocator.Put())) || !allocator) return E_FAIL;
  auto* title = static_cast<LPOLESTR>(allocator->Alloc(TITLE_ALLOCATION));
  if (title == nullptr) return E_OUTOFMEMORY;
  std::wmemcpy(title, PAGE_TITLE, sizeof(PAGE_TITLE) / sizeof(PAGE_TITLE[0]));

  info->cb = sizeof(PROPPAGEINFO);  // 28 on x86, 48 on x64
  info->pszTitle = title;
  info->size.cx = UNMEASURED_SIZE;
  info->size.cy = UNMEASURED_SIZE;
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;

  // The page's size in pixels depends on the dialog font: measure a copy.
  HWND probe = CreateDialogParamA(m_hResource, MAKEINTRESOURCEA(IDD_TAVREL_PAGE), GetDesktopWindow(), AnswerTrue, 0);
  if (probe != nullptr) {
    RECT bounds;
    if (GetWindowRect(probe, &bounds)) {
      info->size.cx = bounds.right - bounds.left;
      info->size.cy = bounds.bottom - bounds.top;
    }
    ::DestroyWindow(probe);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 0) {
    if (!m_surface) return E_UNEXPECTED;
    m_surface.Reset();
    return S_OK;
  }
  if (count != 1) return E_UNEXPECTED;
  if (objects == nullptr || objects[0] == nullptr) return E_POINTER;
  // Recognised by COM identity and interface table only: a foreign object
  // (another module, a proxy) is never read beyond its COM calls.
  CTavrel* surface = CTavrel::FromUnknown(objects[0]);
  if (surface == nullptr) return E_POINTER;
  if (surface != m_surface.Get()) {
    surface->AddRef();
    m_surface.Reset(surface);
  }
  if (GetSafeHwnd() != nullptr) LoadControlsFromConfig();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::Show(UINT cmdShow) {
  if (GetSafeHwnd() == nullptr) return E_UNEXPECTED;
  if (cmdShow != SW_HIDE && cmdShow != SW_SHOWNORMAL && cmdShow != SW_SHOW) return E_INVALIDARG;
  ShowWindow(static_cast<int>(cmdShow));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (GetSafeHwnd() == nullptr) return E_UNEXPECTED;
  MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrelPropPage::IsPageDirty() { return S_FALSE; }
HRESULT STDMETHODCALLTYPE CTavrelPropPage::Apply() { return S_OK; }
HRESULT STDMETHODCALLTYPE CTavrelPropPage::Help(LPCOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CTavrelPropPage::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

// --- the dialog ---

BOOL CTavrelPropPage::DestroyWindow() {
  m_brush.DeleteObject();
  const BOOL destroyed = CDialog::DestroyWindow();
  // A window that lives on still shows the stretched picture; the destructor
  // deletes it at the latest.
  if (destroyed && m_fittedPicture != nullptr) {
    ::DeleteObject(m_fittedPicture);
    m_fittedPicture = nullptr;
  }
  return destroyed;
}

const DialogMessageMapEntry* CTavrelPropPage::GetMessageMap() const {
  static const DialogMessageMapEntry MAP[] = {
      DIALOG_ON_COMMAND(1003, CBN_SELENDOK, CTavrelPropPage, OnSelF1),
      DIALOG_ON_COMMAND(1004, CBN_SELENDOK, CTavrelPropPage, OnSelF2),
      DIALOG_ON_COMMAND(1005, CBN_SELENDOK, CTavrelPropPage, OnSelF3),
      DIALOG_ON_COMMAND(1006, CBN_SELENDOK, CTavrelPropPage, OnSelF4),
      DIALOG_ON_COMMAND(1007, CBN_SELENDOK, CTavrelPropPage, OnSelF5),
      DIALOG_ON_COMMAND(1008, CBN_SELENDOK, CTavrelPropPage, OnSelF6),
      DIALOG_ON_COMMAND(1009, CBN_SELENDOK, CTavrelPropPage, OnSelF7),
      DIALOG_ON_COMMAND(1010, CBN_SELENDOK, CTavrelPropPage, OnSelF8),
      DIALOG_ON_COMMAND(1011, CBN_SELENDOK, CTavrelPropPage, OnSelF9),
      DIALOG_ON_COMMAND(IDC_FOOTSWITCH_TAPS, BN_CLICKED, CTavrelPropPage, OnFootswitchTaps),
      DIALOG_ON_COMMAND(IDC_FOOTSWITCH_RECORD_STOP, BN_CLICKED, CTavrelPropPage, OnFootswitchRecordStop),
      DIALOG_ON_COMMAND(IDC_LOCATE_AUTOMATION, BN_CLICKED, CTavrelPropPage, OnLocateAutomation),
      DIALOG_ON_COMMAND(IDC_LOCATE_POSITION, BN_CLICKED, CTavrelPropPage, OnLocatePosition),
      DIALOG_ON_COMMAND(1012, CBN_SELENDOK, CTavrelPropPage, OnSelSendA),
      DIALOG_ON_COMMAND(1013, CBN_SELENDOK, CTavrelPropPage, OnSelSendB),
      DIALOG_ON_COMMAND(1014, CBN_SELENDOK, CTavrelPropPage, OnSelSendC),
      DIALOG_ON_COMMAND(1015, CBN_SELENDOK, CTavrelPropPage, OnSelSendD),
      DIALOG_ON_COMMAND(1016, CBN_SELENDOK, CTavrelPropPage, OnSelSendE),
      DIALOG_ON_COMMAND(IDC_CURSOR_MEASURE, BN_CLICKED, CTavrelPropPage, OnCursorMeasure),
      DIALOG_ON_COMMAND(IDC_CURSOR_BANK, BN_CLICKED, CTavrelPropPage, OnCursorBank),
      DIALOG_ON_COMMAND(IDC_DEFAULT_OPTIONS, BN_CLICKED, CTavrelPropPage, OnDefaultOptions),
      DIALOG_END_MAP(),
  };
  return MAP;
}

void CTavrelPropPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, 1016, m_comboSendE);
  DDX_Control(pDX, 1015, m_comboSendD);
  DDX_Control(pDX, 1014, m_comboSendC);
  DDX_Control(pDX, 1013, m_comboSendB);
  DDX_Control(pDX, 1012, m_comboSendA);
  DDX_Control(pDX, 1011, m_comboF9);
  DDX_Control(pDX, 1010, m_comboF8);
  DDX_Control(pDX, 1009, m_comboF7);
  DDX_Control(pDX, 1008, m_comboF6);
  DDX_Control(pDX, 1007, m_comboF5);
  DDX_Control(pDX, 1006, m_comboF4);
  DDX_Control(pDX, 1005, m_comboF3);
  DDX_Control(pDX, 1004, m_comboF2);
  DDX_Control(pDX, 1003, m_comboF1);
  DDX_Radio(pDX, IDC_FOOTSWITCH_TAPS, m_footswitchMode);
  DDX_Radio(pDX, IDC_LOCATE_AUTOMATION, m_locateMode);
  DDX_Radio(pDX, IDC_CURSOR_MEASURE, m_cursorMode);
}

BOOL CTavrelPropPage::OnInitDialog() {
  // Fills the combos from the template's initialisation data, then attaches
  // them; no radio button is set yet.
  CDialog::OnInitDialog();

  // The picture is the template's first control: the top of the sibling
  // order, so it paints first and the controls paint over it.
  if (HWND picture = GetWindow(m_hWnd, GW_CHILD)) FitPictureToPage(picture);

  LoadControlsFromConfig();
  m_brush.CreateSolidBrush(PAGE_BK_COLOR);
  return TRUE;
}

void CTavrelPropPage::FitPictureToPage(HWND picture) {
  // The picture is drawn for the template's font at 96 dpi (6 x 13 pixel
  // dialog units). Where the font or the resolution gives other units, load
  // it stretched to the page, so its panels still lie under their controls.
  RECT page = {0, 0, 374, 215};
  MapDialogRect(m_hWnd, &page);
  if (page.right == 561 && page.bottom == 350) return;
  auto* fitted = static_cast<HBITMAP>(
      LoadImageA(m_hResource, MAKEINTRESOURCEA(IDB_SURFACE), IMAGE_BITMAP, page.right, page.bottom, LR_DEFAULTCOLOR));
  if (fitted == nullptr) return;
  auto* previous =
      reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fitted)));
  // The control's own copy is no longer in use. A picture set by message is
  // never deleted by the control, so the page deletes it with the window.
  if (previous != nullptr && previous != fitted) ::DeleteObject(previous);
  if (m_fittedPicture != nullptr) ::DeleteObject(m_fittedPicture);  // a window the host destroyed itself
  m_fittedPicture = fitted;
}

HBRUSH CTavrelPropPage::OnCtlColor(HDC dc, HWND, UINT kind) {
  if (kind != CTLCOLOR_MSGBOX && kind != CTLCOLOR_EDIT && kind != CTLCOLOR_STATIC) return nullptr;
  SetBkColor(dc, PAGE_BK_COLOR);
  SetTextColor(dc, RGB(0, 0, 0));
  return m_brush.GetSafeHandle();
}

void CTavrelPropPage::LoadControlsFromConfig() {
  if (GetSafeHwnd() == nullptr) return;
  const CComboBox* combos[] = {&m_comboF1,    &m_comboF2,    &m_comboF3,    &m_comboF4,   &m_comboF5,
                               &m_comboF6,    &m_comboF7,    &m_comboF8,    &m_comboF9,   &m_comboSendA,
                               &m_comboSendB, &m_comboSendC, &m_comboSendD, &m_comboSendE};
  static_assert(sizeof(combos) / sizeof(combos[0]) == CONFIG_LOCATE_BUTTONS, "one combo per byte 0..13");
  // Without a surface object the page shows empty controls.
  for (size_t i = 0; i < CONFIG_LOCATE_BUTTONS; ++i) {
    const int item = m_surface ? static_cast<int8_t>(m_surface->ConfigByte(i)) : -1;
    // A value that is no item index leaves the combo with no selection.
    combos[i]->SetCurSel(item >= 0 && item < combos[i]->GetCount() ? item : -1);
  }
  m_locateMode = m_surface ? (m_surface->ConfigByte(CONFIG_LOCATE_BUTTONS) & 1) : -1;
  m_footswitchMode = m_surface ? (m_surface->ConfigByte(CONFIG_FOOTSWITCH) & 1) : -1;
  m_cursorMode = m_surface ? (m_surface->ConfigByte(CONFIG_CURSOR_LEFT_RIGHT) & 1) : -1;
  UpdateData(FALSE);
}

void CTavrelPropPage::OnDefaultOptions() {
  if (!m_surface) return;
  for (size_t i = 0; i < CONFIG_SETTINGS_SIZE; ++i) m_surface->SetConfigByte(i, DEFAULT_SETTINGS[i]);
  LoadControlsFromConfig();
}

void CTavrelPropPage::StoreByte(size_t index, uint8_t value) {
  if (m_surface) m_surface->SetConfigByte(index, value);
}

void CTavrelPropPage::StoreSelection(const CComboBox& combo, size_t index) {
  const int selection = combo.GetCurSel();
  if (selection == CB_ERR) return;  // nothing chosen: keep the assignment
  StoreByte(index, static_cast<uint8_t>(selection & 0xFF));
}
