#include "cable.h"

#include <cstdio>
#include <cstring>

namespace loopback {
namespace {

// A sender waits this long at most for a port another sender holds; then the
// message is dropped and counted rather than the sender kept waiting.
constexpr DWORD kSendLockMs = 100;
// Opening and closing an input may wait longer: nothing flows yet.
constexpr DWORD kListenLockMs = 2000;

bool Acquire(HANDLE mutex, DWORD ms) {
  const DWORD result = WaitForSingleObject(mutex, ms);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

bool ProcessAlive(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return false;
  const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

// The file behind the mapping, or INVALID_HANDLE_VALUE: then the state lives
// only as long as some process holds it.
HANDLE OpenStateFile() {
  char path[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  if (length == 0 || length + sizeof kStateFile >= MAX_PATH) return INVALID_HANDLE_VALUE;
  std::strcat(path, "\\Temp");
  CreateDirectoryA(path, nullptr);
  std::strcpy(path + length, kStateFile);
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Cable::~Cable() {
  for (unsigned port = 0; port < kPorts; ++port) {
    if (m_locks[port]) CloseHandle(m_locks[port]);
    if (m_data[port]) CloseHandle(m_data[port]);
  }
  if (m_state) UnmapViewOfFile(m_state);
  if (m_mapping) CloseHandle(m_mapping);
}

bool Cable::Open() {
  if (m_state) return true;
  HANDLE init = CreateMutexA(nullptr, FALSE, kInitMutexName);
  if (init == nullptr) return false;
  if (!Acquire(init, kListenLockMs)) {
    CloseHandle(init);
    return false;
  }
  // The first process creates the mapping from the file; later ones get the
  // same object by its name (their file handle is then not used).
  HANDLE file = OpenStateFile();
  m_mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, sizeof(CableState), kMappingName);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (m_mapping) m_state = static_cast<CableState*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (m_state && (m_state->magic != kMagic || m_state->version != kVersion || m_state->size != sizeof(CableState))) {
    // New, or left by another build of the driver: start from nothing.
    std::memset(static_cast<void*>(m_state), 0, sizeof(CableState));
    m_state->version = kVersion;
    m_state->size = sizeof(CableState);
    m_state->magic = kMagic;
  }
  ReleaseMutex(init);
  CloseHandle(init);
  if (m_state == nullptr) return false;

  char name[64];
  for (unsigned port = 0; port < kPorts; ++port) {
    std::snprintf(name, sizeof name, kLockNameFormat, PortLetter(port));
    m_locks[port] = CreateMutexA(nullptr, FALSE, name);
    std::snprintf(name, sizeof name, kDataNameFormat, PortLetter(port));
    m_data[port] = CreateEventA(nullptr, FALSE, FALSE, name);
    if (m_locks[port] == nullptr || m_data[port] == nullptr) return false;
  }
  return true;
}

bool Cable::LockPort(unsigned port, DWORD ms) { return Acquire(m_locks[port], ms); }
void Cable::UnlockPort(unsigned port) { ReleaseMutex(m_locks[port]); }

template <class Fill>
Cable::Sent Cable::Queue(unsigned port, uint32_t count, Fill fill) {
  PortState& state = Port(port);
  if (!LockPort(port, kSendLockMs)) {
    state.dropped.fetch_add(1);
    return Sent::kDropped;
  }
  if (state.listener.load() == 0) {
    UnlockPort(port);
    return Sent::kUnheard;
  }
  const uint32_t head = state.head.load(std::memory_order_relaxed);
  const uint32_t used = head - state.tail.load(std::memory_order_acquire);
  if (used > kSlots || kSlots - used < count) {
    UnlockPort(port);
    state.dropped.fetch_add(1);
    return Sent::kDropped;
  }
  for (uint32_t i = 0; i < count; ++i) fill(i, state.slots[(head + i) % kSlots]);
  state.head.store(head + count, std::memory_order_release);
  UnlockPort(port);
  SetEvent(m_data[port]);
  return Sent::kQueued;
}

Cable::Sent Cable::SendShort(unsigned port, uint32_t word, uint32_t time) {
  return Queue(port, 1, [&](uint32_t, Slot& slot) {
    slot.time = time;
    slot.kind = kShort;
    slot.length = 0;
    slot.word = word;
  });
}

Cable::Sent Cable::SendLong(unsigned port, const uint8_t* data, uint32_t length, uint32_t time) {
  const uint32_t pieces = length == 0 ? 1 : (length + kChunk - 1) / kChunk;
  return Queue(port, pieces, [&](uint32_t i, Slot& slot) {
    const uint32_t offset = i * kChunk;
    slot.time = time;
    slot.kind = static_cast<uint16_t>((i == 0 ? kLongFirst : 0) | (i + 1 == pieces ? kLongLast : 0));
    slot.length = static_cast<uint16_t>(length - offset < kChunk ? length - offset : kChunk);
    slot.word = 0;
    std::memcpy(slot.data, data + offset, slot.length);
  });
}

Cable::Listen Cable::StartListening(unsigned port) {
  PortState& state = Port(port);
  if (!LockPort(port, kListenLockMs)) return Listen::kNoLock;
  const DWORD self = GetCurrentProcessId();
  const DWORD current = state.listener.load();
  // A listener that ended without closing its input leaves its id behind.
  if (current != 0 && (current == self || ProcessAlive(current))) {
    UnlockPort(port);
    return Listen::kBusy;
  }
  state.tail.store(state.head.load());
  state.listener.store(self);
  UnlockPort(port);
  return Listen::kListening;
}

void Cable::StopListening(unsigned port) {
  PortState& state = Port(port);
  const bool locked = LockPort(port, kListenLockMs);
  if (state.listener.load() == GetCurrentProcessId()) state.listener.store(0);
  if (locked) UnlockPort(port);
}

bool ParsePort(const char* text, unsigned* port) {
  const size_t prefix = sizeof kPortNamePrefix - 1;
  if (std::strncmp(text, kPortNamePrefix, prefix) == 0) text += prefix;
  if (text[0] == '\0' || text[1] != '\0') return false;
  for (unsigned i = 0; i < kPorts; ++i)
    if (text[0] == PortLetter(i) || text[0] == PortLetter(i) - 'A' + 'a' || text[0] == static_cast<char>('0' + i)) {
      *port = i;
      return true;
    }
  return false;
}

}  // namespace loopback
