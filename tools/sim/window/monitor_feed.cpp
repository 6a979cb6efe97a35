#include "window/monitor_feed.h"

#include "window/window.h"

namespace sim {
namespace {

constexpr size_t kMaxWaiting = 20000;  // lines kept while the window is busy

// The refresh's reads, as the host model words them: the Get calls and the
// modifier keys' down and up events.
bool IsRead(const std::string& line) {
  auto endsWith = [&](const char* tail) {
    const size_t n = std::char_traits<char>::length(tail);
    return line.size() >= n && line.compare(line.size() - n, n, tail) == 0;
  };
  if (line.find("host Get") != std::string::npos) return true;
  return line.find("host SendKey") != std::string::npos && (endsWith(" down") || endsWith(" up"));
}

}  // namespace

MonitorFeed& MonitorFeed::Instance() {
  static MonitorFeed feed;
  return feed;
}

void MonitorFeed::Add(Monitor::Kind kind, const std::string& line) {
  const bool read = kind == Monitor::Kind::Host && IsRead(line);
  if (read && m_hideReads) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back({kind, read, line});
    if (m_lines.size() > kMaxWaiting) m_lines.pop_front();
  }
  HWND window = m_window.load();
  if (window && !m_posted.exchange(true)) PostMessageA(window, WM_SIM_CHANGED, 0, 0);
}

std::deque<FeedLine> MonitorFeed::Take() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::deque<FeedLine> lines;
  lines.swap(m_lines);
  return lines;
}

void MonitorFeed::SetWindow(HWND window) {
  m_window = window;
  m_posted = false;
}

void ConnectMonitorToWindow(Monitor& monitor) {
  monitor.Enable(true, true);
  monitor.SetSink([](Monitor::Kind kind, const std::string& line) { MonitorFeed::Instance().Add(kind, line); });
}

}  // namespace sim
