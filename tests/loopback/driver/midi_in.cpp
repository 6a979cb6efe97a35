// The inputs: input k takes what output k sends, from any process of the
// prefix. One process at a time listens on a port; a thread of the driver's
// own waits for the port's event, takes the queued messages in order and
// calls the client back: MIM_DATA for a short message, MIM_LONGDATA for each
// buffer a long one fills. Stamps are milliseconds from midiInStart to the
// moment of sending.
//
// Stop, reset and close wait for a callback in progress, so once they have
// returned nothing more is delivered (apart from the buffers reset hands
// back, on the caller's thread). They may be called from inside a callback.
#include <atomic>
#include <cstring>

#include "driver.h"

namespace loopback {
namespace {

// A long message that finds no buffer queued waits this long for one: the
// wire of a real port gives a client the time to queue again the buffer it
// has just got back, the cable is instant, and a loaded machine may not run
// the client's thread for a while. Once a wait has run out, long messages
// are dropped at once until the client queues a buffer.
constexpr DWORD kBufferWaitMs = 5000;

struct Input {
  Input() {
    InitializeCriticalSection(&lock);
    InitializeCriticalSection(&delivery);
  }
  CRITICAL_SECTION lock;      // everything below but the reader's own fields
  CRITICAL_SECTION delivery;  // held by the reader while it delivers one message
  bool open = false;
  bool started = false;
  bool starved = false;  // a wait for a buffer has run out
  std::atomic<bool> stopping{false};
  DWORD startTime = 0;
  Client client;
  MIDIHDR* queue = nullptr;  // the client's buffers, in order, through lpNext
  HANDLE thread = nullptr;
  DWORD threadId = 0;
  HANDLE stop = nullptr;     // ends the reader
  HANDLE buffers = nullptr;  // a buffer was queued, or a wait for one must end
  // The reader's own: the long message it is putting together from its pieces.
  bool assembling = false;
  uint32_t length = 0;
  uint32_t time = 0;
  uint8_t message[kMaxLong];
};
Input g_inputs[kPorts];

struct Lock {
  explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
  ~Lock() { LeaveCriticalSection(&m_section); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  CRITICAL_SECTION& m_section;
};

// Whether a message sent at `time` is for the client: input started, and
// sent after the start. `stamp` is its time from the start.
bool Wanted(Input& in, uint32_t time, DWORD* stamp) {
  Lock lock(in.lock);
  *stamp = time - in.startTime;
  return in.started && static_cast<int32_t>(time - in.startTime) >= 0;
}

void GiveBack(Input& in, MIDIHDR* header, DWORD stamp) {
  header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
  in.client.Notify(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header), stamp);
}

// The next queued buffer, waiting for one as kBufferWaitMs says; null when
// there is none or input is stopping.
MIDIHDR* TakeBuffer(Input& in) {
  const DWORD begin = GetTickCount();
  for (;;) {
    {
      Lock lock(in.lock);
      if (MIDIHDR* header = in.queue) {
        in.queue = header->lpNext;
        return header;
      }
      if (!in.started || in.starved || in.stopping) return nullptr;
      if (GetTickCount() - begin >= kBufferWaitMs) {
        in.starved = true;
        return nullptr;
      }
    }
    WaitForSingleObject(in.buffers, kBufferWaitMs - (GetTickCount() - begin));
  }
}

void DeliverShort(unsigned port, Input& in, uint32_t word, uint32_t time) {
  Lock delivering(in.delivery);
  DWORD stamp = 0;
  if (!Wanted(in, time, &stamp)) return;
  PortState& state = SharedCable()->Port(port);
  if (state.switches.load() & kFailDelivery) {
    state.dropped.fetch_add(1);
    return;
  }
  in.client.Notify(MIM_DATA, word, stamp);
  state.delivered.fetch_add(1);
}

// Fills as many buffers as the message needs; a message that finds no
// buffer is dropped (what it filled already is given back).
void DeliverLong(unsigned port, Input& in) {
  Lock delivering(in.delivery);
  DWORD stamp = 0;
  if (!Wanted(in, in.time, &stamp)) return;
  PortState& state = SharedCable()->Port(port);
  if (state.switches.load() & kFailDelivery) {
    state.dropped.fetch_add(1);
    return;
  }
  uint32_t done = 0;
  while (done < in.length) {
    MIDIHDR* header = TakeBuffer(in);
    if (header == nullptr) break;
    const uint32_t left = in.length - done;
    const uint32_t taken = left < header->dwBufferLength ? left : header->dwBufferLength;
    std::memcpy(header->lpData, in.message + done, taken);
    header->dwBytesRecorded = taken;
    done += taken;
    GiveBack(in, header, stamp);
  }
  if (done == in.length)
    state.delivered.fetch_add(1);
  else
    state.dropped.fetch_add(1);
}

// Takes every queued slot in order. The pieces of a long message are queued
// together, so a message is always whole once its first piece is seen.
void Drain(unsigned port, Input& in) {
  PortState& state = SharedCable()->Port(port);
  Slot slot;
  while (!in.stopping) {
    const uint32_t tail = state.tail.load(std::memory_order_relaxed);
    const uint32_t head = state.head.load(std::memory_order_acquire);
    if (tail == head) return;
    if (head - tail > kSlots) {  // not a queue any more: start again from empty
      state.tail.store(head, std::memory_order_release);
      return;
    }
    slot = state.slots[tail % kSlots];
    state.tail.store(tail + 1, std::memory_order_release);
    if (slot.kind == kShort) {
      DeliverShort(port, in, slot.word, slot.time);
      continue;
    }
    if (slot.kind & kLongFirst) {
      in.assembling = true;
      in.length = 0;
      in.time = slot.time;
    }
    if (!in.assembling) continue;  // a piece without its start
    if (slot.length > kChunk || in.length + slot.length > kMaxLong) {
      in.assembling = false;
      continue;
    }
    std::memcpy(in.message + in.length, slot.data, slot.length);
    in.length += slot.length;
    if (slot.kind & kLongLast) {
      in.assembling = false;
      DeliverLong(port, in);
    }
  }
}

DWORD WINAPI Reader(void* param) {
  const auto port = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(param));
  Input& in = g_inputs[port];
  HANDLE waits[2] = {in.stop, SharedCable()->DataEvent(port)};
  while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) Drain(port, in);
  return 0;
}

// Waits for the reader to finish the message it is delivering, after the
// caller has made it stop waiting for buffers.
void AwaitDelivery(Input& in) {
  SetEvent(in.buffers);
  Lock delivering(in.delivery);
}

DWORD Open(UINT id, DWORD_PTR* instance, const MIDIOPENDESC* desc, DWORD flags) {
  if (id >= kPorts) return MMSYSERR_BADDEVICEID;
  if (instance == nullptr || desc == nullptr) return MMSYSERR_INVALPARAM;
  Cable* cable = SharedCable();
  if (cable == nullptr) return MMSYSERR_ERROR;
  if (SwitchedOff(id, kFailOpen)) return MMSYSERR_NODRIVER;
  Input& in = g_inputs[id];
  {
    Lock lock(in.lock);
    if (in.open) return MMSYSERR_ALLOCATED;
    in.open = true;
  }
  // A reader left by a close from inside its own callback ends on its own.
  if (in.thread != nullptr) {
    WaitForSingleObject(in.thread, INFINITE);
    CloseHandle(in.thread);
    in.thread = nullptr;
  }
  if (in.stop == nullptr) in.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (in.buffers == nullptr) in.buffers = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const Cable::Listen listen = in.stop && in.buffers ? cable->StartListening(id) : Cable::Listen::kNoLock;
  if (listen == Cable::Listen::kListening) {
    ResetEvent(in.stop);
    in.client = ClientOf(*desc, flags);
    in.queue = nullptr;
    in.started = in.starved = in.assembling = false;
    in.stopping = false;
    in.thread = CreateThread(nullptr, 0, Reader, reinterpret_cast<void*>(static_cast<UINT_PTR>(id)), 0, &in.threadId);
    if (in.thread != nullptr) {
      *instance = reinterpret_cast<DWORD_PTR>(&in);
      in.client.Notify(MIM_OPEN, 0, 0);
      return MMSYSERR_NOERROR;
    }
    cable->StopListening(id);
  }
  Lock lock(in.lock);
  in.open = false;
  return listen == Cable::Listen::kBusy ? MMSYSERR_ALLOCATED : MMSYSERR_ERROR;
}

// As on Windows, an input with buffers still queued does not close: reset
// it first. (Wine's winmm forgets the handle even then, and the port stays
// taken in this process.)
DWORD Close(unsigned port, Input& in) {
  {
    Lock lock(in.lock);
    if (in.queue != nullptr) return MIDIERR_STILLPLAYING;
    in.started = false;
    in.stopping = true;
  }
  SetEvent(in.stop);
  AwaitDelivery(in);
  if (GetCurrentThreadId() != in.threadId) {
    WaitForSingleObject(in.thread, INFINITE);
    CloseHandle(in.thread);
    in.thread = nullptr;
  }
  SharedCable()->StopListening(port);
  const Client client = in.client;
  {
    Lock lock(in.lock);
    in.open = false;
  }
  client.Notify(MIM_CLOSE, 0, 0);
  return MMSYSERR_NOERROR;
}

DWORD AddBuffer(unsigned port, Input& in, MIDIHDR* header, DWORD_PTR size) {
  if (SwitchedOff(port, kFailDelivery)) return MMSYSERR_NODRIVER;  // the device is gone, whatever the buffer
  if (!UsableHeader(header, size) || header->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
  if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
  if (!(header->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
  {
    Lock lock(in.lock);
    header->dwFlags = (header->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
    header->dwBytesRecorded = 0;
    header->lpNext = nullptr;
    MIDIHDR** last = &in.queue;
    while (*last != nullptr) last = &(*last)->lpNext;
    *last = header;
    in.starved = false;
  }
  SetEvent(in.buffers);
  return MMSYSERR_NOERROR;
}

DWORD Start(unsigned port, Input& in) {
  if (SwitchedOff(port, kFailDelivery)) return MMSYSERR_NODRIVER;
  Lock lock(in.lock);
  if (!in.started) {
    in.startTime = timeGetTime();
    in.started = true;
  }
  return MMSYSERR_NOERROR;
}

DWORD Stop(Input& in) {
  {
    Lock lock(in.lock);
    in.started = false;
  }
  AwaitDelivery(in);
  return MMSYSERR_NOERROR;
}

// Stops input and hands back every queued buffer, in order.
DWORD Reset(Input& in) {
  Stop(in);
  Lock delivering(in.delivery);
  MIDIHDR* header = nullptr;
  DWORD stamp = 0;
  {
    Lock lock(in.lock);
    header = in.queue;
    in.queue = nullptr;
    stamp = timeGetTime() - in.startTime;
  }
  while (header != nullptr) {
    MIDIHDR* next = header->lpNext;  // the callback may queue it again
    GiveBack(in, header, stamp);
    header = next;
  }
  return MMSYSERR_NOERROR;
}

DWORD Caps(UINT id, MIDIINCAPSW* caps, DWORD_PTR size) {
  return CopyCaps(id, caps, size, [](MIDIINCAPSW&) {});
}

}  // namespace
}  // namespace loopback

extern "C" DWORD WINAPI midMessage(UINT id, UINT message, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2) {
  using namespace loopback;
  if (IsDriverMessage(message)) return MMSYSERR_NOERROR;
  switch (message) {
    case MIDM_GETNUMDEVS:
      return kPorts;
    case MIDM_GETDEVCAPS:
      return Caps(id, reinterpret_cast<MIDIINCAPSW*>(param1), param2);
    case MIDM_OPEN:
      return Open(id, reinterpret_cast<DWORD_PTR*>(user), reinterpret_cast<const MIDIOPENDESC*>(param1),
                  static_cast<DWORD>(param2));
    case MIDM_PREPARE:
      return PrepareHeader(reinterpret_cast<MIDIHDR*>(param1), param2);
    case MIDM_UNPREPARE:
      return UnprepareHeader(reinterpret_cast<MIDIHDR*>(param1), param2);
    default:
      break;
  }
  if (id >= kPorts || user != reinterpret_cast<DWORD_PTR>(&g_inputs[id])) return MMSYSERR_INVALHANDLE;
  Input& in = g_inputs[id];
  {
    Lock lock(in.lock);
    if (!in.open || in.stopping) return MMSYSERR_INVALHANDLE;
  }
  switch (message) {
    case MIDM_CLOSE:
      return Close(id, in);
    case MIDM_ADDBUFFER:
      return AddBuffer(id, in, reinterpret_cast<MIDIHDR*>(param1), param2);
    case MIDM_START:
      return Start(id, in);
    case MIDM_STOP:
      return Stop(in);
    case MIDM_RESET:
      return Reset(in);
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
}
