#include "win_test_support.h"

#include <algorithm>

#include "handles.h"
#include "probe_registry.h"

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

CScratchFolder::CScratchFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char folder[MAX_PATH];
  GetTempFileNameA(temp, "unr", 0, folder);  // creates a file to claim the name
  DeleteFileA(folder);
  CreateDirectoryA(folder, nullptr);
  char longForm[MAX_PATH];
  GetLongPathNameA(folder, longForm, MAX_PATH);
  m_path = longForm;
}

namespace {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    CScopeExit endSearch([&] { FindClose(search); });
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &found));
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

CScratchFolder::~CScratchFolder() { RemoveTree(m_path); }

std::string PlaceProbePlugin(const std::string& probeDll, const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string target = folder + "\\Tavrel.dll";
  if (!CopyFileA(probeDll.c_str(), target.c_str(), FALSE)) return {};
  char longForm[MAX_PATH];
  if (GetLongPathNameA(target.c_str(), longForm, MAX_PATH) == 0) return {};
  return longForm;
}

bool RunRegistrationTool(const std::string& dll, bool unregister) {
  std::string command = std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" + dll + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CScopeExit closeProcess([&] {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  });
  return WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string WindowClass(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string StaticTexts(HWND dialog) {
  std::string texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_stricmp(WindowClass(child).c_str(), "Static") != 0) continue;
    const std::string text = WindowText(child);
    if (text.empty()) continue;
    if (!texts.empty()) texts += '|';
    texts += text;
  }
  return texts;
}

namespace {

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

CWindowWatcher::CWindowWatcher(bool dismissBoxes) : m_initial(VisibleTopLevelWindows()), m_dismiss(dismissBoxes) {
  m_thread = std::thread([this] { Run(); });
}

CWindowWatcher::~CWindowWatcher() {
  m_stop = true;
  m_thread.join();
}

std::vector<SeenWindow> CWindowWatcher::Seen() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_seen;
}

void CWindowWatcher::Run() {
  std::vector<HWND> known = m_initial;
  while (!m_stop) {
    for (HWND window : VisibleTopLevelWindows()) {
      if (std::find(known.begin(), known.end(), window) != known.end()) continue;
      known.push_back(window);
      SeenWindow seen{window, 0, WindowClass(window), WindowText(window), {}, GetWindow(window, GW_OWNER)};
      GetWindowThreadProcessId(window, &seen.processId);
      const bool isBox = seen.className == "#32770";
      if (isBox) {
        Sleep(100);  // let the box finish laying out its controls
        seen.text = StaticTexts(window);
      }
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(seen);
      }
      if (isBox && m_dismiss) PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    Sleep(20);
  }
}
