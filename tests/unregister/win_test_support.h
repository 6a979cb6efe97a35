// Helpers of the Wine tests of the unregistering programs: file places, the
// probe plug-in, a watcher for message boxes and other new windows.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A Linux path (as CMake knows the build outputs) as Wine sees it.
std::string WindowsPathOf(const std::string& unixPath);

// A fresh, empty folder below the temporary folder, removed with its files.
class CScratchFolder {
 public:
  CScratchFolder();
  ~CScratchFolder();
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Copies the probe DLL to folder\Tavrel.dll (creating folder) and answers the
// copy's long full path, the name the probe records itself under.
std::string PlaceProbePlugin(const std::string& probeDll, const std::string& folder);

// Runs the registration tool on a DLL (silently) and waits for it.
bool RunRegistrationTool(const std::string& dll, bool unregister);

// Polls until done() or timeoutMs passes; answers done().
template <typename Done>
bool WaitFor(Done done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= end) return done();
    Sleep(20);
  }
  return true;
}

struct SeenWindow {
  HWND window;
  DWORD processId;
  std::string className;
  std::string caption;
  std::string text;  // for a dialog box: its static texts, joined by '|'
  HWND owner;
};

// Watches, on its own thread, for visible top-level windows that were not
// there when it started. Dialog boxes (class #32770) among them are answered
// with OK when dismissBoxes is set, so that a call showing one returns.
class CWindowWatcher {
 public:
  explicit CWindowWatcher(bool dismissBoxes);
  ~CWindowWatcher();
  CWindowWatcher(const CWindowWatcher&) = delete;
  CWindowWatcher& operator=(const CWindowWatcher&) = delete;
  std::vector<SeenWindow> Seen();

 private:
  void Run();
  std::vector<HWND> m_initial;
  bool m_dismiss;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::vector<SeenWindow> m_seen;
  std::thread m_thread;
};

std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// The texts of a dialog's static controls that have any, joined by '|'.
std::string StaticTexts(HWND dialog);
