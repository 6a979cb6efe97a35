// The monitor's lines on their way to the window: the monitor's sink runs on
// whichever thread made the line, queues it and posts one wake-up message
// (never more than one waiting), and the window takes the lines on its thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "model/monitor.h"

namespace sim {

inline constexpr UINT WM_SIM_CHANGED = WM_APP + 1;  // the models changed; lines may be waiting

struct FeedLine {
  Monitor::Kind kind;
  bool read;  // one of the refresh's reads
  std::string text;
};

class MonitorFeed {
 public:
  static MonitorFeed& Instance();

  void Add(Monitor::Kind kind, const std::string& line);
  std::deque<FeedLine> Take();
  // The window to wake; null stops the posting.
  void SetWindow(HWND window);
  void SetHideReads(bool hide) { m_hideReads = hide; }
  // Called by the window when it handled the wake-up.
  void Handled() { m_posted = false; }

 private:
  std::mutex m_mutex;
  std::deque<FeedLine> m_lines;
  std::atomic<HWND> m_window{nullptr};
  std::atomic<bool> m_posted{false};
  std::atomic<bool> m_hideReads{true};
};

}  // namespace sim
