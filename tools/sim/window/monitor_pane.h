// The monitor's lines in the window, with filters: messages in, messages out,
// host calls, and hiding the refresh's reads. The pane keeps the latest lines
// and shows those its filters let through.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "window/monitor_feed.h"

namespace sim {

class MonitorPane {
 public:
  // `hostCalls`: the filters of the host's calls (a window without a host has none).
  void Create(HWND parent, int x, int y, int w, int h, bool hostCalls = true);
  // Takes the lines waiting in the feed.
  void Take();
  // WM_COMMAND from a filter box; true when handled.
  bool OnCommand(HWND control);
  // Whether a line the pane shows holds `text`.
  bool Shows(const std::string& text) const;

 private:
  bool Shown(const FeedLine& line) const;
  void Show(const FeedLine& line);
  void Refill();

  HWND m_list = nullptr;
  HWND m_in = nullptr, m_out = nullptr, m_host = nullptr, m_hideReads = nullptr;
  std::deque<FeedLine> m_lines;
};

}  // namespace sim
