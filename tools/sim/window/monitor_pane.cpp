#include "window/monitor_pane.h"

namespace sim {
namespace {

constexpr size_t kKept = 4000;  // lines kept for refilling when a filter changes

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

void MonitorPane::Create(HWND parent, int x, int y, int w, int h, bool hostCalls) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  auto box = [&](const char* text, int left, int width) {
    HWND b = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, x + left, y, width, 20, parent,
                             nullptr, instance, nullptr);
    SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0);
    return b;
  };
  m_in = box("In", 0, 50);
  m_out = box("Out", 55, 55);
  if (hostCalls) {
    m_host = box("Host calls", 115, 90);
    m_hideReads = box("Hide the refresh's reads", 210, 180);
  }
  m_list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, x, y + 24, w, h - 24,
                           parent, nullptr, instance, nullptr);
  SendMessageA(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), TRUE);
}

bool MonitorPane::Shown(const FeedLine& line) const {
  switch (line.kind) {
    case Monitor::Kind::In:
      return Checked(m_in);
    case Monitor::Kind::Out:
      return Checked(m_out);
    case Monitor::Kind::Host:
      return Checked(m_host) && !(line.read && Checked(m_hideReads));
    default:
      return true;
  }
}

void MonitorPane::Show(const FeedLine& line) {
  if (!Shown(line)) return;
  if (SendMessageA(m_list, LB_GETCOUNT, 0, 0) >= static_cast<LRESULT>(kKept))
    SendMessageA(m_list, LB_DELETESTRING, 0, 0);
  SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.text.c_str()));
}

void MonitorPane::Take() {
  std::deque<FeedLine> lines = MonitorFeed::Instance().Take();
  if (lines.empty()) return;
  SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
  for (FeedLine& line : lines) {
    Show(line);
    m_lines.push_back(std::move(line));
    if (m_lines.size() > kKept) m_lines.pop_front();
  }
  const LRESULT count = SendMessageA(m_list, LB_GETCOUNT, 0, 0);
  SendMessageA(m_list, LB_SETTOPINDEX, count > 0 ? count - 1 : 0, 0);
  SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(m_list, nullptr, TRUE);
}

void MonitorPane::Refill() {
  SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(m_list, LB_RESETCONTENT, 0, 0);
  for (const FeedLine& line : m_lines) Show(line);
  const LRESULT count = SendMessageA(m_list, LB_GETCOUNT, 0, 0);
  SendMessageA(m_list, LB_SETTOPINDEX, count > 0 ? count - 1 : 0, 0);
  SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(m_list, nullptr, TRUE);
}

bool MonitorPane::Shows(const std::string& text) const {
  const LRESULT count = SendMessageA(m_list, LB_GETCOUNT, 0, 0);
  std::string line;
  for (LRESULT i = 0; i < count; ++i) {
    line.assign(static_cast<size_t>(SendMessageA(m_list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(m_list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

bool MonitorPane::OnCommand(HWND control) {
  if (control != m_in && control != m_out && control != m_host && control != m_hideReads) return false;
  // Reads hidden are never queued, so hiding them costs nothing while they are many.
  MonitorFeed::Instance().SetHideReads(Checked(m_hideReads));
  Refill();
  return true;
}

}  // namespace sim
