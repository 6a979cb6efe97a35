// CTavrelPropPage: the page on which the user edits a surface object's
// settings, shown by the host inside its own property frame. It keeps no copy
// of the settings: every choice is stored at once into the edited object's
// configuration block, so Apply has nothing left to do and the page is never
// dirty.
#pragma once

#include <cstdint>

#include "brush.h"
#include "combo_box.h"
#include "dialog.h"
#include "handles.h"
#include "page_resources.h"
#include "surface_config.h"
#include "win_compat.h"

class CTavrel;

// Number of live pages; DllCanUnloadNow reads it.
extern LONG volatile g_pageCount;

// The page's background behind labels, group boxes and radio buttons
// (red 165, green 175, blue 190).
inline constexpr COLORREF PAGE_BK_COLOR = 0xBEAFA5;

class CTavrelPropPage : public CDialog, public IPropertyPage {
 public:
  // No parent window; the host supplies one in Activate.
  CTavrelPropPage();
  ~CTavrelPropPage() override;

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IPropertyPage.
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT cmdShow) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override;
  HRESULT STDMETHODCALLTYPE Apply() override;
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

  // Deletes the brush, then destroys the window.
  BOOL DestroyWindow() override;

  CTavrelPropPage(const CTavrelPropPage&) = delete;
  CTavrelPropPage& operator=(const CTavrelPropPage&) = delete;

 protected:
  const DialogMessageMapEntry* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;

 private:
  friend class CTavrelPropPageTestAccess;

  // Shows the edited object's settings in the controls.
  void LoadControlsFromConfig();
  // Bytes 0..16 back to their defaults, bytes 17..29 kept.
  void OnDefaultOptions();

  // Stretches the picture to the page where its dialog units are not 6 x 13 pixels.
  void FitPictureToPage(HWND picture);

  // One byte of the edited object's settings; nothing without an object.
  void StoreByte(size_t index, uint8_t value);
  // The chosen item of `combo` into byte `index`; no choice stores nothing.
  void StoreSelection(const CComboBox& combo, size_t index);

  // Message handlers: combo choices and radio clicks.
  void OnSelF1() { StoreSelection(m_comboF1, CONFIG_FUNCTION_KEY + 0); }
  void OnSelF2() { StoreSelection(m_comboF2, CONFIG_FUNCTION_KEY + 1); }
  void OnSelF3() { StoreSelection(m_comboF3, CONFIG_FUNCTION_KEY + 2); }
  void OnSelF4() { StoreSelection(m_comboF4, CONFIG_FUNCTION_KEY + 3); }
  void OnSelF5() { StoreSelection(m_comboF5, CONFIG_FUNCTION_KEY + 4); }
  void OnSelF6() { StoreSelection(m_comboF6, CONFIG_FUNCTION_KEY + 5); }
  void OnSelF7() { StoreSelection(m_comboF7, CONFIG_FUNCTION_KEY + 6); }
  void OnSelF8() { StoreSelection(m_comboF8, CONFIG_FUNCTION_KEY + 7); }
  void OnSelF9() { StoreSelection(m_comboF9, CONFIG_FUNCTION_KEY + 8); }
  void OnSelSendA() { StoreSelection(m_comboSendA, CONFIG_SEND_KNOB + 0); }
  void OnSelSendB() { StoreSelection(m_comboSendB, CONFIG_SEND_KNOB + 1); }
  void OnSelSendC() { StoreSelection(m_comboSendC, CONFIG_SEND_KNOB + 2); }
  void OnSelSendD() { StoreSelection(m_comboSendD, CONFIG_SEND_KNOB + 3); }
  void OnSelSendE() { StoreSelection(m_comboSendE, CONFIG_SEND_KNOB + 4); }
  void OnFootswitchTaps() { StoreByte(CONFIG_FOOTSWITCH, 0); }
  void OnFootswitchRecordStop() { StoreByte(CONFIG_FOOTSWITCH, 1); }
  void OnLocateAutomation() { StoreByte(CONFIG_LOCATE_BUTTONS, 0); }
  void OnLocatePosition() { StoreByte(CONFIG_LOCATE_BUTTONS, 1); }
  void OnCursorMeasure() { StoreByte(CONFIG_CURSOR_LEFT_RIGHT, 0); }
  void OnCursorBank() { StoreByte(CONFIG_CURSOR_LEFT_RIGHT, 1); }

  // The combos, control ids 1016 down to 1003.
  CComboBox m_comboSendE, m_comboSendD, m_comboSendC, m_comboSendB, m_comboSendA;
  CComboBox m_comboF9, m_comboF8, m_comboF7, m_comboF6, m_comboF5, m_comboF4, m_comboF3, m_comboF2, m_comboF1;
  // Radio groups: 0 first button, 1 second, -1 none set.
  int32_t m_footswitchMode = -1;
  int32_t m_locateMode = -1;
  int32_t m_cursorMode = -1;
  CBrush m_brush;
  HBITMAP m_fittedPicture = nullptr;  // the stretched picture, deleted with the window
  LONG volatile m_pageRef = 1;
  CComPtr<CTavrel> m_surface;             // one counted reference while set
  CComPtr<IPropertyPageSite> m_pageSite;  // one counted reference while set; never called
};
