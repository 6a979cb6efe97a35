#include "window/mixer_panel.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace sim {
namespace {

constexpr int kStrips = 32;
constexpr int kColumns = 7;  // strip, volume, pan, M, S, R, A
const char* const kHeadings[kColumns] = {"Strip", "Volume", "Pan", "M", "S", "R", "A"};
const int kWidths[kColumns] = {44, 62, 46, 34, 34, 34, 34};

bool On(float value) { return value >= 0.5f; }

std::string Cell(const HostStrip& strip, int index, int column) {
  char text[32];
  switch (column) {
    case 0:
      std::snprintf(text, sizeof text, "%d", index);
      return text;
    case 1:
      std::snprintf(text, sizeof text, "%.3f", static_cast<double>(strip.volume));
      return text;
    case 2:
      std::snprintf(text, sizeof text, "%.2f", static_cast<double>(strip.pan));
      return text;
    case 3:
      return On(strip.mute) ? "M" : "-";
    case 4:
      return On(strip.solo) ? "S" : "-";
    case 5:
      return On(strip.arm) ? "R" : "-";
    default:
      return strip.armed[2][0] ? "A" : "-";  // the mute parameter's arm, as the surface's LED shows
  }
}

}  // namespace

void MixerPanel::Create(HWND parent, int x, int y, int w, int h) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  m_list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, x, y,
                           w, h - 40, parent, nullptr, instance, nullptr);
  SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(kHeadings[c]);
    column.cx = kWidths[c];
    SendMessageA(m_list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int r = 0; r < kStrips; ++r) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>("");
    SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  m_transport = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, x, y + h - 36, w, 36, parent, nullptr,
                                instance, nullptr);
  SendMessageA(m_transport, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  m_cells.assign(kStrips * kColumns, "?");
}

void MixerPanel::Update(int bank) {
  m_bank = bank;
  std::vector<std::string> cells(kStrips * kColumns);
  std::string transport;
  m_host.With([&](HostState& s) {
    for (int r = 0; r < kStrips; ++r) {
      const int index = bank * kStrips + r;
      for (int c = 0; c < kColumns; ++c)
        if (index < s.stripCount) cells[r * kColumns + c] = Cell(s.strips[index], index, c);
    }
    char line[160];
    std::snprintf(line, sizeof line, "Transport: %s%s   now %lld   %d strips, bank %d\r\nMarkers (%zu):",
                  s.recording ? "recording"
                  : s.playing ? "playing"
                              : "stopped",
                  s.blink ? ", blink" : "", static_cast<long long>(s.now), s.stripCount, bank, s.markers.size());
    transport = line;
    for (size_t i = 0; i < s.markers.size() && i < 12; ++i) {
      transport += ' ';
      transport += std::to_string(s.markers[i]);
    }
  });
  for (int i = 0; i < kStrips * kColumns; ++i) {
    if (cells[i] == m_cells[i]) continue;
    m_cells[i] = cells[i];
    LVITEMA item = {};
    item.iSubItem = i % kColumns;
    item.pszText = const_cast<char*>(m_cells[i].c_str());
    SendMessageA(m_list, LVM_SETITEMTEXTA, i / kColumns, reinterpret_cast<LPARAM>(&item));
  }
  if (transport != m_transportText) {
    m_transportText = transport;
    SetWindowTextA(m_transport, transport.c_str());
  }
}

bool MixerPanel::OnNotify(NMHDR* header) {
  if (header->hwndFrom != m_list || header->code != NM_CLICK) return false;
  const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
  LVHITTESTINFO hit = {};
  hit.pt = click->ptAction;
  if (SendMessageA(m_list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) return true;
  const int strip = m_bank * kStrips + hit.iItem;
  if (hit.iSubItem == 1 || hit.iSubItem == 2) {
    BeginEdit(hit.iItem, hit.iSubItem);
    return true;
  }
  m_host.With([&](HostState& s) {
    if (strip >= s.stripCount) return;
    HostStrip& st = s.strips[strip];
    auto flip = [](float& value) { value = value >= 0.5f ? 0.0f : 1.0f; };
    if (hit.iSubItem == 3) flip(st.mute);
    if (hit.iSubItem == 4) flip(st.solo);
    if (hit.iSubItem == 5) flip(st.arm);
    if (hit.iSubItem == 6) {
      const bool on = !st.armed[2][0];
      for (auto& row : st.armed)
        for (bool& armed : row) armed = on;
    }
  });
  Update(m_bank);
  return true;
}

POINT MixerPanel::CellCentre(int row, int column) const {
  RECT cell = {};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  SendMessageA(m_list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

void MixerPanel::BeginEdit(int row, int column) {
  EndEdit(false);
  RECT cell = {};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  SendMessageA(m_list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  m_editStrip = m_bank * kStrips + row;
  m_editColumn = column;
  m_edit =
      CreateWindowExA(0, "EDIT", m_cells[row * kColumns + column].c_str(),
                      WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top, cell.right - cell.left,
                      cell.bottom - cell.top, m_list, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(m_edit, WM_SETFONT, SendMessageA(m_list, WM_GETFONT, 0, 0), TRUE);
  SetWindowLongPtrA(m_edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_editProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(m_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MixerPanel::EditProc)));
  SendMessageA(m_edit, EM_SETSEL, 0, -1);
  SetFocus(m_edit);
}

void MixerPanel::EndEdit(bool keep) {
  if (!m_edit) return;
  HWND edit = m_edit;
  m_edit = nullptr;
  if (keep) {
    char text[32] = {};
    GetWindowTextA(edit, text, sizeof text);
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    // Levels outside 0..1, or text that is no number, leave the strip as it was.
    if (end != text && *end == '\0' && value >= 0.0 && value <= 1.0)
      m_host.With([&](HostState& s) {
        if (m_editStrip >= s.stripCount) return;
        (m_editColumn == 1 ? s.strips[m_editStrip].volume : s.strips[m_editStrip].pan) = static_cast<float>(value);
      });
  }
  DestroyWindow(edit);
  Update(m_bank);
}

LRESULT CALLBACK MixerPanel::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* panel = reinterpret_cast<MixerPanel*>(GetWindowLongPtrA(edit, GWLP_USERDATA));
  const WNDPROC original = panel->m_editProc;
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
    panel->EndEdit(wParam == VK_RETURN);
    return 0;
  }
  if (message == WM_KILLFOCUS && panel->m_edit == edit) {
    const LRESULT result = CallWindowProcA(original, edit, message, wParam, lParam);
    panel->EndEdit(true);
    return result;
  }
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  return CallWindowProcA(original, edit, message, wParam, lParam);
}

}  // namespace sim
