#include "window/window_test.h"

#include <chrono>
#include <cstdio>

#include "midi_map.h"
#include "model/hardware.h"
#include "picture/picture.h"
#include "window/menus.h"

namespace sim {
namespace {

constexpr int kFirstKeyList = 1003;   // the property page's list of F1; F2..F9 follow
constexpr int kFrameWaitTries = 300;  // 15 s in 50 ms steps

struct Search {
  DWORD process;
  HWND skip;
  int id;
  HWND frame = nullptr, control = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->control = child;
  return FALSE;
}

BOOL CALLBACK FindFrame(HWND top, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(top, &process);
  if (process != search->process || top == search->skip || !IsWindowVisible(top)) return TRUE;
  EnumChildWindows(top, FindChild, data);
  if (!search->control) return TRUE;
  search->frame = top;
  return FALSE;
}

}  // namespace

WindowTest::~WindowTest() {
  if (m_frameHand.joinable()) m_frameHand.join();
}

void WindowTest::Post(UINT message, POINT at) {
  PostMessageA(m_view.Handle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

bool WindowTest::ChooseInFrame(int combo, int item) {
  Search search{GetCurrentProcessId(), m_main, combo};
  for (int i = 0; i < kFrameWaitTries && !search.frame; ++i) {
    Sleep(50);
    search.control = nullptr;
    EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
  }
  if (!search.frame) {
    // Whatever came up instead is dismissed, so that the test ends.
    Search any{search.process, m_main, IDCANCEL};
    EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&any));
    if (any.frame) PostMessageA(any.frame, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(any.control));
    return false;
  }
  // As a user's choice arrives: the selection, then the list's notification to its page.
  SendMessageA(search.control, CB_SETCURSEL, item, 0);
  SendMessageA(GetParent(search.control), WM_COMMAND, MAKEWPARAM(combo, CBN_SELENDOK),
               reinterpret_cast<LPARAM>(search.control));
  Search ok{search.process, nullptr, IDOK};
  EnumChildWindows(search.frame, FindChild, reinterpret_cast<LPARAM>(&ok));
  PostMessageA(search.frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok.control));
  return true;
}

bool WindowTest::Click(const Step& step) {
  const LayoutRow& row = *RowFor(step.control, step.position);  // the parser names only rows of the layout
  const POINT at = m_view.ToClient(row.rect.CentreX(), row.rect.CentreY());
  Post(WM_LBUTTONDOWN, at);
  Post(WM_LBUTTONUP, at);
  return true;
}

// From the cap to the value's height in twelve moves, as a hand drags.
bool WindowTest::Drag(const Step& step) {
  const LayoutRow& row = *RowFor(step.control, step.position);  // the parser names only rows of the layout
  const Rect from = FaderCap(row, m_hardware.FaderPosition(row.index));
  const int endY = FaderCap(row, step.to).CentreY();
  constexpr int kMoves = 12;
  for (int i = 0; i <= kMoves; ++i) {
    const int y = from.CentreY() + (endY - from.CentreY()) * i / kMoves;
    Post(i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, m_view.ToClient(from.CentreX(), y));
  }
  Post(WM_LBUTTONUP, m_view.ToClient(from.CentreX(), endY));
  return true;
}

bool WindowTest::Properties(const Step& step) {
  const int key = step.optionByte, item = step.optionValue;
  m_frameDone = false;
  m_frameHand = std::thread([this, key, item] { m_frameDone = ChooseInFrame(kFirstKeyList + key - 1, item); });
  // The frame is modal: this returns only once the hand above closed it.
  SendMessageA(m_main, WM_COMMAND, ID_SURFACE_PROPERTIES, 0);
  m_frameHand.join();
  if (!m_frameDone) return Fail(step, "no property frame with the list of F" + std::to_string(key) + " appeared");
  return true;
}

bool WindowTest::Mixer(const Step& step) {
  if (m_mixer == nullptr) return Fail(step, "this window has no mixer");
  static constexpr std::pair<HostField, int> kColumns[] = {{HostField::Volume, 1}, {HostField::Pan, 2},
                                                           {HostField::Mute, 3},   {HostField::Solo, 4},
                                                           {HostField::Arm, 5},    {HostField::AutoArm, 6}};
  int column = 1;
  for (const auto& [field, index] : kColumns)
    if (field == step.field) column = index;
  const POINT at = m_mixer->CellCentre(step.strip, column);
  PostMessageA(m_mixer->List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageA(m_mixer->List(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  if (column <= 2) {
    char level[32];
    std::snprintf(level, sizeof level, "%g", step.number);
    m_typing = level;
  }
  return true;
}

bool WindowTest::Menu(const Step& step) {
  static const std::pair<const char*, UINT> kMenu[] = {
      {"save", ID_FILE_SAVE},     {"detach", ID_SURFACE_ATTACH}, {"attach", ID_SURFACE_ATTACH}, {"play", ID_HOST_PLAY},
      {"record", ID_HOST_RECORD}, {"stop", ID_HOST_STOP},        {"blink", ID_HOST_BLINK}};
  for (const auto& [name, id] : kMenu)
    if (SameWord(step.word, name)) SendMessageA(m_main, WM_COMMAND, id, 0);
  return true;
}

// What the picture shows at the light's centre lit and dark, against what
// the window drew there.
bool WindowTest::ExpectDrawn(const Step& step) {
  const LayoutRow* row = RowFor(step.light, step.position);
  const int x = row->rect.CentreX(), y = row->rect.CentreY();
  auto drawnWith = [&](uint8_t value) {
    SurfaceState state = m_hardware.State();
    (row->light.status == midi::STATUS_CH14 ? state.ch14 : state.ch15)[row->light.controller] = value;
    return Rasterise(BuildPicture(state, HostSummary{})).At(x, y);
  };
  const Colour lit = drawnWith(midi::LED_ON), dark = drawnWith(midi::LED_OFF), shown = m_view.Drawn(x, y);
  if (lit == dark) return Fail(step, "the light does not show at the row's centre");
  if (!(shown == (step.on ? lit : dark)))
    return Fail(step, std::string("expected the window to draw it ") + (step.on ? "lit" : "dark"));
  return true;
}

// The lines the user sees: the pane, with what waits in the feed taken first.
bool WindowTest::ExpectMonitor(const Step& step) {
  if (m_pane == nullptr) return Fail(step, "this window has no monitor");
  m_pane->Take();
  if (m_pane->Shows(step.word)) return true;
  return Fail(step, "no line of the window's monitor holds \"" + step.word + "\"");
}

// As a click on the item: the menu's command, then its tick read back.
bool WindowTest::Port(const Step& step) {
  const char* which = step.on ? "input" : "output";
  if (m_ports == nullptr) return Fail(step, "this window has no Ports menu");
  const UINT item = m_ports->Item(step.on, step.word);
  if (item == 0) return Fail(step, std::string("the Ports menu lists no ") + which + " \"" + step.word + "\"");
  SendMessageA(m_main, WM_COMMAND, item, 0);
  if (!m_ports->Ticked(item))
    return Fail(step, std::string("the ") + which + " chosen is not ticked: it did not open (see the monitor)");
  return true;
}

bool WindowTest::Fail(const Step& step, const std::string& why) {
  m_failure = step.file + ":" + std::to_string(step.line) + ": " + why + "  (" + step.text + ")";
  return false;
}

bool WindowTest::Run(const Step& step) {
  switch (step.kind) {
    case StepKind::Click:
      return Click(step);
    case StepKind::Drag:
      return Drag(step);
    case StepKind::Properties:
      return Properties(step);
    case StepKind::Mixer:
      return Mixer(step);
    case StepKind::Menu:
      return Menu(step);
    case StepKind::Port:
      return Port(step);
    case StepKind::Pause:
      m_pauseUntil = GetTickCount64() + static_cast<ULONGLONG>(step.overMs);
      return true;
    default:
      if (step.kind == StepKind::Expect && step.expect == ExpectKind::Drawn) return ExpectDrawn(step);
      if (step.kind == StepKind::Expect && step.expect == ExpectKind::Monitor) return ExpectMonitor(step);
      return m_runner.Run(step, &m_failure);
  }
}

bool WindowTest::Tick() {
  if (GetTickCount64() < m_pauseUntil) return true;
  if (!m_typing.empty()) {
    // The edit field the click opened has the focus: the level is typed, then Return.
    HWND edit = GetFocus();
    SetWindowTextA(edit, m_typing.c_str());
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    m_typing.clear();
    return true;
  }
  if (!m_failure.empty() || m_next >= m_steps.size()) return false;
  if (!Run(m_steps[m_next++])) return false;
  return m_next < m_steps.size() || GetTickCount64() < m_pauseUntil;
}

}  // namespace sim
