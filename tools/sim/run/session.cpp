#include "run/session.h"

#include <algorithm>
#include <chrono>

namespace sim {

Session::Session(IControlSurface* surface, Monitor& monitor, int refreshMs)
    : m_surface(surface), m_monitor(monitor), m_refreshMs(refreshMs < 1 ? 1 : refreshMs) {
  m_midiThread = std::thread([this] { MidiLoop(); });
  m_refreshThread = std::thread([this] { RefreshLoop(); });
}

Session::~Session() {
  {
    std::lock_guard<SlimMutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  m_midiThread.join();
  m_refreshThread.join();
}

void Session::Short(uint32_t word) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  m_input.push_back({word, {}});
  m_wake.notify_all();
}

void Session::Long(const std::vector<uint8_t>& bytes) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  m_input.push_back({0, bytes});
  m_wake.notify_all();
}

bool Session::OfferShort(uint32_t word) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  if (m_input.size() >= kBacklog) return false;
  m_input.push_back({word, {}});
  m_wake.notify_all();
  return true;
}

bool Session::OfferLong(const std::vector<uint8_t>& bytes) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  if (m_input.size() >= kBacklog) return false;
  m_input.push_back({0, bytes});
  m_wake.notify_all();
  return true;
}

void Session::Drain() {
  std::unique_lock<SlimMutex> lock(m_mutex);
  m_done.wait(lock, [this] { return m_input.empty() && m_delivering == 0; });
}

void Session::HoldInput(bool on) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  m_holdInput = on;
  m_wake.notify_all();
}

void Session::DeliverHeldInput() {
  std::unique_lock<SlimMutex> lock(m_mutex);
  if (!m_holdInput || m_input.empty()) return;
  std::deque<Input> held;
  held.swap(m_input);
  m_delivering += 1;
  lock.unlock();
  for (const Input& input : held) Deliver(input);
  lock.lock();
  m_delivering -= 1;
  m_delivered += held.size();
  m_done.notify_all();
}

void Session::Deliver(const Input& input) {
  if (input.bytes.empty()) {
    m_monitor.In(input.word);
    m_surface->OnShortMidi(input.word);
  } else {
    m_monitor.InLong(input.bytes);
    m_surface->OnLongMidi(static_cast<DWORD>(input.bytes.size()), input.bytes.data());
  }
}

void Session::NoteStatus() {
  char text[64] = {};
  DWORD length = sizeof text;
  if (m_surface->QueryStatusText(text, &length) != S_OK) return;
  text[sizeof text - 1] = '\0';
  std::lock_guard<std::mutex> lock(m_statusMutex);
  if (m_status == text) return;
  m_status = text;
  m_monitor.Print("status \"" + m_status + "\"");
}

void Session::Refresh(int count, uint32_t kind) {
  std::unique_lock<SlimMutex> lock(m_mutex);
  m_done.wait(lock, [this] { return m_refreshesWanted == 0; });
  m_refreshesWanted = count;
  m_refreshKind = kind;
  m_wake.notify_all();
  m_done.wait(lock, [this] { return m_refreshesWanted == 0 && !m_refreshing; });
}

void Session::FreeRun(bool on) {
  std::unique_lock<SlimMutex> lock(m_mutex);
  m_freeRun = on ? m_freeRun + 1 : std::max(m_freeRun - 1, 0);
  m_wake.notify_all();
  if (m_freeRun == 0) m_done.wait(lock, [this] { return !m_refreshing; });
}

void Session::SetRefreshMs(int ms) {
  std::lock_guard<SlimMutex> lock(m_mutex);
  m_refreshMs = ms < 1 ? 1 : ms;
  m_wake.notify_all();
}

uint64_t Session::Refreshes() const {
  std::lock_guard<SlimMutex> lock(m_mutex);
  return m_refreshes;
}

uint64_t Session::Delivered() const {
  std::lock_guard<SlimMutex> lock(m_mutex);
  return m_delivered;
}

void Session::MidiLoop() {
  std::unique_lock<SlimMutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || (!m_input.empty() && !m_holdInput); });
    if (m_stop) return;
    Input input = std::move(m_input.front());
    m_input.pop_front();
    m_delivering += 1;
    lock.unlock();
    Deliver(input);
    NoteStatus();
    lock.lock();
    m_delivering -= 1;
    ++m_delivered;
    m_done.notify_all();
  }
}

void Session::RefreshLoop() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock<SlimMutex> lock(m_mutex);
  Clock::time_point next = Clock::now() + std::chrono::milliseconds(m_refreshMs);
  for (;;) {
    if (m_freeRun > 0)
      m_wake.wait_until(lock, next, [this] { return m_stop || m_refreshesWanted > 0; });
    else
      m_wake.wait(lock, [this] { return m_stop || m_refreshesWanted > 0 || m_freeRun > 0; });
    if (m_stop) return;
    uint32_t kind = 0;
    if (m_refreshesWanted > 0) {
      kind = m_refreshKind;
    } else if (m_freeRun == 0) {
      next = Clock::now() + std::chrono::milliseconds(m_refreshMs);
      continue;
    } else if (Clock::now() < next) {
      continue;
    }
    m_refreshing = true;
    lock.unlock();
    m_surface->RefreshFeedback(kind, 0);
    NoteStatus();
    lock.lock();
    m_refreshing = false;
    ++m_refreshes;
    if (m_refreshesWanted > 0) --m_refreshesWanted;
    next = Clock::now() + std::chrono::milliseconds(m_refreshMs);
    m_done.notify_all();
  }
}

}  // namespace sim
