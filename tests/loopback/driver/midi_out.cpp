// The outputs: every message sent on output k is queued on the cable for
// input k, in whatever process of the prefix listens there. Sending never
// waits for the listener; a long message is done (MOM_DONE) when its call
// returns, called back on the sender's thread as Wine's own drivers do.
// Several clients may hold one output open at once; their messages merge.
#include <atomic>

#include "driver.h"

namespace loopback {
namespace {

constexpr int kMaxOutputs = 16;  // opens of all outputs together, in one process

struct Output {
  std::atomic<bool> used{false};
  unsigned port = 0;
  Client client;
};
Output g_outputs[kMaxOutputs];

Output* FromInstance(DWORD_PTR instance) {
  for (Output& output : g_outputs)
    if (reinterpret_cast<DWORD_PTR>(&output) == instance && output.used.load()) return &output;
  return nullptr;
}

// The bytes of a short message by its status byte, or 0 for what is not a
// whole short message: a running-status word, a stray data byte, the start
// or end of a system-exclusive message, an undefined system status.
unsigned ShortLength(DWORD word) {
  const unsigned status = word & 0xFF;
  unsigned length = 0;
  if (status < 0x80)
    length = 0;
  else if (status < 0xF0)
    length = (status & 0xE0) == 0xC0 ? 2 : 3;  // program change and channel pressure take one data byte
  else if (status == 0xF1 || status == 0xF3)
    length = 2;
  else if (status == 0xF2)
    length = 3;
  else if (status == 0xF6 || status >= 0xF8)
    length = 1;
  for (unsigned i = 1; i < length; ++i)
    if ((word >> (8 * i)) & 0x80) return 0;
  return length;
}

DWORD Open(UINT id, DWORD_PTR* instance, const MIDIOPENDESC* desc, DWORD flags) {
  if (id >= kPorts) return MMSYSERR_BADDEVICEID;
  if (instance == nullptr || desc == nullptr) return MMSYSERR_INVALPARAM;
  if (SharedCable() == nullptr) return MMSYSERR_ERROR;
  if (SwitchedOff(id, kFailOpen)) return MMSYSERR_NODRIVER;
  for (Output& output : g_outputs) {
    bool expected = false;
    if (!output.used.compare_exchange_strong(expected, true)) continue;
    output.port = id;
    output.client = ClientOf(*desc, flags);
    *instance = reinterpret_cast<DWORD_PTR>(&output);
    output.client.Notify(MOM_OPEN, 0, 0);
    return MMSYSERR_NOERROR;
  }
  return MMSYSERR_ALLOCATED;
}

DWORD Close(Output& output) {
  const Client client = output.client;
  output.used.store(false);
  client.Notify(MOM_CLOSE, 0, 0);
  return MMSYSERR_NOERROR;
}

DWORD Data(Output& output, DWORD word) {
  const unsigned length = ShortLength(word);
  if (length == 0) return MMSYSERR_INVALPARAM;
  if (SwitchedOff(output.port, kFailSend)) return MMSYSERR_NODRIVER;
  SharedCable()->SendShort(output.port, word & (0xFFFFFFu >> (8 * (3 - length))), timeGetTime());
  SharedCable()->Port(output.port).sent.fetch_add(1);
  return MMSYSERR_NOERROR;
}

DWORD LongData(Output& output, MIDIHDR* header, DWORD_PTR size) {
  if (!UsableHeader(header, size) || header->dwBufferLength > kMaxLong) return MMSYSERR_INVALPARAM;
  if (!(header->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
  if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
  if (SwitchedOff(output.port, kFailSend)) return MMSYSERR_NODRIVER;
  if (header->dwBufferLength > 0) {
    SharedCable()->SendLong(output.port, reinterpret_cast<const uint8_t*>(header->lpData), header->dwBufferLength,
                            timeGetTime());
    SharedCable()->Port(output.port).sent.fetch_add(1);
  }
  header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
  output.client.Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(header), 0);
  return MMSYSERR_NOERROR;
}

// A long message may be as long as winmm allows (64 KiB), no longer.
DWORD Prepare(MIDIHDR* header, DWORD_PTR size) {
  if (UsableHeader(header, size) && header->dwBufferLength > kMaxLong) return MMSYSERR_INVALPARAM;
  return PrepareHeader(header, size);
}

DWORD Caps(UINT id, MIDIOUTCAPSW* caps, DWORD_PTR size) {
  return CopyCaps(id, caps, size, [](MIDIOUTCAPSW& own) {
    own.wTechnology = MOD_MIDIPORT;
    own.wChannelMask = 0xFFFF;
  });
}

}  // namespace
}  // namespace loopback

extern "C" DWORD WINAPI modMessage(UINT id, UINT message, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2) {
  using namespace loopback;
  if (IsDriverMessage(message)) return MMSYSERR_NOERROR;
  switch (message) {
    case MODM_GETNUMDEVS:
      return kPorts;
    case MODM_GETDEVCAPS:
      return Caps(id, reinterpret_cast<MIDIOUTCAPSW*>(param1), param2);
    case MODM_OPEN:
      return Open(id, reinterpret_cast<DWORD_PTR*>(user), reinterpret_cast<const MIDIOPENDESC*>(param1),
                  static_cast<DWORD>(param2));
    case MODM_PREPARE:
      return Prepare(reinterpret_cast<MIDIHDR*>(param1), param2);
    case MODM_UNPREPARE:
      return UnprepareHeader(reinterpret_cast<MIDIHDR*>(param1), param2);
    default:
      break;
  }
  Output* output = FromInstance(user);
  if (output == nullptr) return MMSYSERR_INVALHANDLE;
  switch (message) {
    case MODM_CLOSE:
      return Close(*output);
    case MODM_DATA:
      return Data(*output, static_cast<DWORD>(param1));
    case MODM_LONGDATA:
      return LongData(*output, reinterpret_cast<MIDIHDR*>(param1), param2);
    case MODM_RESET:
      // Nothing is ever in flight, and the cable tracks no notes: a reset
      // sends nothing, so the listener sees only what was sent.
      return MMSYSERR_NOERROR;
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
}
