#include "window/window_test.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) {
    if (word[0] == '#') break;
    words.push_back(word);
  }
  return words;
}

std::string Join(const std::vector<std::string>& words, size_t first, size_t end) {
  std::string name;
  for (size_t i = first; i < end; ++i) name += (name.empty() ? "" : " ") + words[i];
  return name;
}

}  // namespace

WindowTest::~WindowTest() {
  if (m_frameHand.joinable()) m_frameHand.join();
}

bool WindowTest::Load(const std::string& path, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot read the window test";
    return false;
  }
  m_path = path;
  int number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    if (!Words(text).empty()) m_lines.push_back({number, text});
  }
  return true;
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

bool WindowTest::Run(const Line& line) {
  const std::vector<std::string> words = Words(line.text);
  const std::string where = m_path + ":" + std::to_string(line.number) + ": ";
  auto fail = [&](const std::string& why) {
    m_failure = where + why + "  (" + line.text + ")";
    return false;
  };
  if (words[0] == "click" || words[0] == "drag") {
    const size_t end = words[0] == "drag" ? words.size() - 1 : words.size();
    const LayoutRow* row = FindRow(Join(words, 1, end).c_str());
    if (!row) return fail("no such control");
    if (words[0] == "click") {
      const POINT at = m_view.ToClient(row->rect.CentreX(), row->rect.CentreY());
      Post(WM_LBUTTONDOWN, at);
      Post(WM_LBUTTONUP, at);
      return true;
    }
    if (row->kind != Kind::Fader) return fail("only faders drag");
    const int to = std::atoi(words.back().c_str());
    const Rect from = FaderCap(*row, m_hardware.FaderPosition(row->index));
    const int endY = FaderCap(*row, to).CentreY();
    constexpr int kMoves = 12;
    for (int i = 0; i <= kMoves; ++i) {
      const int y = from.CentreY() + (endY - from.CentreY()) * i / kMoves;
      Post(i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, m_view.ToClient(from.CentreX(), y));
    }
    Post(WM_LBUTTONUP, m_view.ToClient(from.CentreX(), endY));
    return true;
  }
  if (words[0] == "properties" && words.size() == 3 && words[1].size() == 2 && words[1][0] == 'F') {
    const int key = words[1][1] - '0', item = std::atoi(words[2].c_str());
    if (key < 1 || key > 9) return fail("F1..F9");
    m_frameDone = false;
    m_frameHand = std::thread([this, key, item] { m_frameDone = ChooseInFrame(kFirstKeyList + key - 1, item); });
    // The frame is modal: this returns only once the hand above closed it.
    SendMessageA(m_main, WM_COMMAND, ID_SURFACE_PROPERTIES, 0);
    m_frameHand.join();
    if (!m_frameDone) return fail("no property frame with the list of " + words[1] + " appeared");
    return true;
  }
  if (words[0] == "mixer" && words.size() >= 3) {
    static const char* const kColumns[] = {"", "volume", "pan", "mute", "solo", "arm", "auto"};
    int column = 0;
    for (int c = 1; c < 7; ++c)
      if (words[2] == kColumns[c]) column = c;
    const int row = std::atoi(words[1].c_str()) % 32;
    if (column == 0 || (column <= 2) != (words.size() == 4)) return fail("mixer STRIP volume|pan LEVEL, or a switch");
    const POINT at = m_mixer.CellCentre(row, column);
    PostMessageA(m_mixer.List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(m_mixer.List(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    if (column <= 2) m_typing = words[3];
    return true;
  }
  if (words[0] == "menu" && words.size() == 2) {
    static const std::pair<const char*, UINT> kMenu[] = {{"save", ID_FILE_SAVE},        {"detach", ID_SURFACE_ATTACH},
                                                         {"attach", ID_SURFACE_ATTACH}, {"play", ID_HOST_PLAY},
                                                         {"record", ID_HOST_RECORD},    {"stop", ID_HOST_STOP},
                                                         {"blink", ID_HOST_BLINK}};
    for (const auto& [name, id] : kMenu)
      if (words[1] == name) {
        SendMessageA(m_main, WM_COMMAND, id, 0);
        return true;
      }
    return fail("no such menu command");
  }
  if (words[0] == "pause" && words.size() == 2) {
    m_pauseUntil = GetTickCount64() + std::strtoul(words[1].c_str(), nullptr, 10);
    return true;
  }
  if (words.size() >= 5 && words[0] == "expect" && words[1] == "drawn") {
    const LayoutRow* row = FindRow(Join(words, 2, words.size() - 1).c_str());
    if (!row || !row->light.Present()) return fail("no such light");
    const bool on = words.back() == "on";
    const int x = row->rect.CentreX(), y = row->rect.CentreY();
    // What the picture shows there with the light lit and dark.
    auto drawnWith = [&](uint8_t value) {
      SurfaceState state = m_hardware.State();
      (row->light.status == midi::STATUS_CH14 ? state.ch14 : state.ch15)[row->light.controller] = value;
      return Rasterise(BuildPicture(state, HostSummary{})).At(x, y);
    };
    const Colour lit = drawnWith(midi::LED_ON), dark = drawnWith(midi::LED_OFF), shown = m_view.Drawn(x, y);
    if (lit == dark) return fail("the light does not show at the row's centre");
    if (!(shown == (on ? lit : dark)))
      return fail(std::string("expected the window to draw it ") + (on ? "lit" : "dark"));
    return true;
  }
  ParseResult parsed = ParseScript(m_path, std::string(line.number - 1, '\n') + line.text + "\n");
  if (!parsed.errors.empty()) {
    m_failure = parsed.errors.front();
    return false;
  }
  for (const Step& step : parsed.steps)
    if (!m_runner.Run(step, &m_failure)) return false;
  return true;
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
  if (!m_failure.empty() || m_next >= m_lines.size()) return false;
  if (!Run(m_lines[m_next++])) return false;
  return m_next < m_lines.size() || GetTickCount64() < m_pauseUntil;
}

}  // namespace sim
