// CDialog: a dialog over the Win32 dialog manager, modal (DoModal) or
// modeless (Create), built from a dialog template resource.
//
// Messages reach a dialog in this order: the message map of the most derived
// class (GetMessageMap), then the built-in handling (WM_INITDIALOG ->
// OnInitDialog, the WM_CTLCOLOR* family -> OnCtlColor, IDOK/IDCANCEL ->
// OnOK/OnCancel), then OnMessage for anything else a class wants to see.
#pragma once

#include <windows.h>

#include "data_exchange.h"

class CDialog;

// One row of a dialog's message map. A command row (message WM_COMMAND)
// names one control and one notification code and calls a `void()` member;
// a message row calls an `LRESULT(WPARAM, LPARAM)` member. A row with
// message 0 ends the map.
struct DialogMessageMapEntry {
  UINT message;
  UINT id;
  UINT notification;
  void (CDialog::*command)();
  LRESULT (CDialog::*handler)(WPARAM, LPARAM);
};

// Map rows: DIALOG_ON_COMMAND(1003, CBN_SELENDOK, CMyDialog, OnSelF1),
// DIALOG_ON_MESSAGE(WM_PAINT, CMyDialog, OnPaint), and DIALOG_END_MAP().
#define DIALOG_ON_COMMAND(id, notification, Class, member) \
  { WM_COMMAND, (id), (notification), static_cast<void (CDialog::*)()>(&Class::member), nullptr }
#define DIALOG_ON_MESSAGE(message, Class, member) \
  { (message), 0, 0, nullptr, static_cast<LRESULT (CDialog::*)(WPARAM, LPARAM)>(&Class::member) }
#define DIALOG_END_MAP() \
  { 0, 0, 0, nullptr, nullptr }

// The module whose resources the dialogs of this binary load by default: the
// module this framework is linked into (the DLL for a plug-in's page, the
// program for a dialog program), found from the address of its own code.
HINSTANCE DialogResourceModule();

// Windows of this module's modeless dialogs that their object could not
// destroy (see CDialog::DestroyWindow) and that are not gone yet. Their
// dialog procedure is still this module's code, so a DLL that counts its use
// must count these too, until each one's WM_NCDESTROY.
LONG DialogWindowsLeftBehind();

class CDialog {
 public:
  // `templateId`: the dialog template resource; `parent`: owner or parent window.
  explicit CDialog(UINT templateId, HWND parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // The class's message map, ended by DIALOG_END_MAP(); none by default.
  virtual const DialogMessageMapEntry* GetMessageMap() const { return nullptr; }

  // Modal: runs the dialog until EndDialog, returns its result (or -1 when
  // the template cannot be loaded).
  INT_PTR DoModal();
  // Modeless: creates the window from template `templateId` with `parent`.
  // FALSE (and no window) if the dialog manager refuses.
  BOOL Create(UINT templateId, HWND parent = nullptr);
  // TRUE once the window is gone. Only the window's own thread can destroy
  // it: called from another thread, this cuts the window's link to this
  // object, so the window may outlive it without reaching freed memory, and
  // posts the window a request to destroy itself on its own thread. The
  // handle is kept until then (a later call on the right thread can still
  // destroy it at once).
  virtual BOOL DestroyWindow();
  void EndDialog(INT_PTR result);

  // Runs DoDataExchange: save TRUE moves controls to members.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // The window, or null once it is gone: also when something else destroyed
  // a window left behind by DestroyWindow, whose end this object never sees.
  HWND GetSafeHwnd() const;
  HWND GetDlgItem(int id) const { return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr; }
  HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  HICON SetIcon(HICON icon, BOOL big) const;
  BOOL ShowWindow(int cmdShow) const { return ::ShowWindow(m_hWnd, cmdShow); }

  // The module the templates are loaded from (DialogResourceModule by default).
  HINSTANCE m_hResource;
  HWND m_hWnd = nullptr;

 protected:
  virtual void DoDataExchange(CDataExchange* /*pDX*/) {}
  // Default: ExecuteDlgInit, UpdateData(FALSE), TRUE (the dialog manager
  // sets the focus).
  virtual BOOL OnInitDialog();
  // Adds the list items of the template's initialisation data (resource type
  // 240 with the template's id, from m_hResource) to its combo and list
  // boxes, so a translated resource changes the lists without a rebuild.
  // FALSE when that data is damaged: the entries before the damage are sent.
  BOOL ExecuteDlgInit();
  // Default: UpdateData(TRUE), then EndDialog(IDOK) for a modal dialog.
  virtual void OnOK();
  // Default: EndDialog(IDCANCEL) for a modal dialog.
  virtual void OnCancel();
  // WM_CTLCOLOR* with kind CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC: a brush to
  // paint the control's background, or null for the default colours.
  virtual HBRUSH OnCtlColor(HDC /*dc*/, HWND /*control*/, UINT /*kind*/) { return nullptr; }
  // Anything else: return true and set `result` when handled.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT* /*result*/) { return false; }

  UINT m_nIDTemplate;
  HWND m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool RunMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // True while `window` is alive and still this object's, linked or left behind.
  bool IsOwnWindow(HWND window) const;
  // The window no longer finds this object, counts as left behind and is
  // asked to destroy itself.
  void LeaveBehind(HWND window);

  bool m_modal = false;
};
