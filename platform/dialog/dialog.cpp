#include "dialog.h"

#include "dialog_init_data.h"

namespace {

// Messages whose answer is the dialog procedure's return value itself rather
// than DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

LONG volatile g_windowsLeftBehind = 0;

// DWLP_USER of a window left behind: its former object's address with the low
// bit set (objects are aligned, so a real address never has it). It is never
// followed, only compared: the window's procedure sees that no object stands
// behind the window any more, and the object still recognises its own window.
LONG_PTR LeftBehindMark(const CDialog* dialog) { return reinterpret_cast<LONG_PTR>(dialog) | 1; }
bool IsLeftBehindMark(LONG_PTR user) { return (user & 1) != 0; }

// Posted to a window left behind: destroy yourself. Registered rather than
// taken from the WM_APP range, so that no other sender's message means it.
// 0 when the system has no atom left; then nothing is posted.
UINT DestroyRequest() {
  static const UINT message = RegisterWindowMessageA("CDialog.DestroyLeftBehindWindow");
  return message;
}

// The procedure of a window whose object has let go of it: the dialog
// manager's default handling, the posted destroy request, and the count.
INT_PTR LeftBehindWindowProc(HWND window, UINT message) {
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    InterlockedDecrement(&g_windowsLeftBehind);
  } else if (message != 0 && message == DestroyRequest()) {
    ::DestroyWindow(window);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

LONG DialogWindowsLeftBehind() { return InterlockedCompareExchange(&g_windowsLeftBehind, 0, 0); }

HINSTANCE DialogResourceModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&DialogResourceModule), &module);
  return module;
}

CDialog::CDialog(UINT templateId, HWND parent)
    : m_hResource(DialogResourceModule()), m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  // A modeless window must not outlive the object its procedure points at:
  // destroyed here, or (on a thread that may not destroy it) left behind.
  if (m_modal || !IsOwnWindow(m_hWnd)) return;
  HWND window = m_hWnd;
  m_hWnd = nullptr;
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    LeaveBehind(window);
    return;
  }
  // Its last messages must not reach this half-destroyed object.
  if (GetWindowLongPtrA(window, DWLP_USER) == reinterpret_cast<LONG_PTR>(this)) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
  }
  ::DestroyWindow(window);
}

INT_PTR CDialog::DoModal() {
  m_modal = true;
  const INT_PTR result = DialogBoxParamA(m_hResource, MAKEINTRESOURCEA(m_nIDTemplate), m_pParentWnd, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  m_modal = false;
  m_hWnd = nullptr;
  return result;
}

BOOL CDialog::Create(UINT templateId, HWND parent) {
  if (GetSafeHwnd() != nullptr) return FALSE;
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  m_modal = false;
  HWND window =
      CreateDialogParamA(m_hResource, MAKEINTRESOURCEA(templateId), parent, DialogProc, reinterpret_cast<LPARAM>(this));
  if (window == nullptr) {
    m_hWnd = nullptr;
    return FALSE;
  }
  m_hWnd = window;
  return TRUE;
}

BOOL CDialog::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  HWND window = m_hWnd;
  // Gone already (a window left behind that its frame destroyed): its dead
  // handle, which may by now name some other window, is handed to nothing.
  if (!IsOwnWindow(window) || ::DestroyWindow(window) || !::IsWindow(window)) {
    m_hWnd = nullptr;
    return TRUE;
  }
  // Refused, as it is on any thread but the window's own (a host that
  // deactivates or releases a page from a worker thread).
  LeaveBehind(window);
  return FALSE;
}

HWND CDialog::GetSafeHwnd() const { return IsOwnWindow(m_hWnd) ? m_hWnd : nullptr; }

bool CDialog::IsOwnWindow(HWND window) const {
  if (window == nullptr || !::IsWindow(window)) return false;
  const LONG_PTR user = GetWindowLongPtrA(window, DWLP_USER);
  return user == reinterpret_cast<LONG_PTR>(this) || user == LeftBehindMark(this);
}

void CDialog::LeaveBehind(HWND window) {
  const LONG_PTR self = reinterpret_cast<LONG_PTR>(this);
  if (GetWindowLongPtrA(window, DWLP_USER) == self) {
    // Counted before it is marked: its WM_NCDESTROY may come at any moment on
    // its own thread and must never find a mark that was not counted. If it
    // came between the two calls, the mark did not land and the count is
    // taken back.
    InterlockedIncrement(&g_windowsLeftBehind);
    if (SetWindowLongPtrA(window, DWLP_USER, LeftBehindMark(this)) != self) {
      InterlockedDecrement(&g_windowsLeftBehind);
    }
  }
  // From now on its messages get the dialog manager's default handling, until
  // its own thread takes this request and destroys it there.
  if (GetWindowLongPtrA(window, DWLP_USER) == LeftBehindMark(this) && DestroyRequest() != 0) {
    PostMessageA(window, DestroyRequest(), 0, 0);
  }
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (m_hWnd == nullptr) return FALSE;
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return !exchange.m_bFailed;
}

HICON CDialog::SetIcon(HICON icon, BOOL big) const {
  return reinterpret_cast<HICON>(
      SendMessageA(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CDialog::OnInitDialog() {
  // Damaged initialisation data leaves some lists short, never the dialog
  // unusable.
  ExecuteDlgInit();
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::ExecuteDlgInit() {
  static_assert(DIALOG_INIT_CB_ADDSTRING == CB_ADDSTRING && DIALOG_INIT_LB_ADDSTRING == LB_ADDSTRING);
  HRSRC found =
      FindResourceA(m_hResource, MAKEINTRESOURCEA(m_nIDTemplate), MAKEINTRESOURCEA(DIALOG_INIT_RESOURCE_TYPE));
  if (found == nullptr) return TRUE;  // a dialog without lists to fill
  HGLOBAL loaded = LoadResource(m_hResource, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return FALSE;
  CDialogInitReader reader(data, SizeofResource(m_hResource, found));
  DialogInitEntry entry;
  while (reader.Next(&entry)) {
    // Only list items are sent: text the control copies. Other messages
    // (the framework's own for embedded controls) mean nothing here.
    if (entry.message != CB_ADDSTRING && entry.message != LB_ADDSTRING) continue;
    if (const char* text = DialogInitText(entry)) {
      SendDlgItemMessageA(m_hWnd, entry.control, entry.message, 0, reinterpret_cast<LPARAM>(text));
    }
  }
  return !reader.Damaged();
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_modal) EndDialog(IDOK);
}

void CDialog::OnCancel() {
  if (m_modal) EndDialog(IDCANCEL);
}

bool CDialog::RunMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const DialogMessageMapEntry* entry = GetMessageMap();
  if (entry == nullptr) return false;
  for (; entry->message != 0; ++entry) {
    if (entry->message != message) continue;
    if (message == WM_COMMAND) {
      if (entry->id != LOWORD(wParam) || entry->notification != HIWORD(wParam) || entry->command == nullptr) continue;
      (this->*entry->command)();
      *result = 0;
      return true;
    }
    if (entry->handler == nullptr) continue;
    *result = (this->*entry->handler)(wParam, lParam);
    return true;
  }
  return false;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = RunMessageMap(message, wParam, lParam, &result);
  if (!handled) {
    if (message == WM_INITDIALOG) {
      result = OnInitDialog();
      handled = true;
    } else if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
      HBRUSH brush =
          OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX);
      result = reinterpret_cast<LRESULT>(brush);
      handled = brush != nullptr;
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
      OnOK();
      handled = true;
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      handled = true;
    } else {
      handled = OnMessage(message, wParam, lParam, &result);
    }
  }
  if (!handled) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    if (dialog != nullptr) dialog->m_hWnd = window;
  } else {
    const LONG_PTR user = GetWindowLongPtrA(window, DWLP_USER);
    if (IsLeftBehindMark(user)) return LeftBehindWindowProc(window, message);
    dialog = reinterpret_cast<CDialog*>(user);
  }
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    if (dialog->m_hWnd == window) dialog->m_hWnd = nullptr;
    return FALSE;
  }
  return dialog->HandleMessage(message, wParam, lParam);
}
