// What the two halves of the loopback driver (midi_out.cpp, midi_in.cpp)
// share: the process's cable, the client's callback as winmm set it up, and
// the header rules winmm leaves to the driver.
#pragma once

#include <windows.h>
// winmm after windows.h, which it builds on
#include <mmsystem.h>
// then its driver interface and the makers' ids (MM_UNMAPPED), which build on winmm
#include <mmddk.h>
#include <mmreg.h>

#include <cstddef>
#include <cstring>

#include "cable.h"

// winmm's call into a client's callback (function, window, thread or event);
// the system headers do not declare it.
extern "C" BOOL WINAPI DriverCallback(DWORD_PTR callback, DWORD flags, HDRVR device, DWORD message, DWORD_PTR instance,
                                      DWORD_PTR param1, DWORD_PTR param2);

namespace loopback {

// The cable of this process, mapped on first use and kept to the process's
// end; null when the prefix cannot give it.
Cable* SharedCable();

struct Client {
  DWORD_PTR callback = 0;
  DWORD_PTR instance = 0;
  HDRVR device = nullptr;
  DWORD flags = 0;  // DCB_*: the kind of callback
  void Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) const {
    DriverCallback(callback, flags, device, message, instance, param1, param2);
  }
};
inline Client ClientOf(const MIDIOPENDESC& desc, DWORD openFlags) {
  return {desc.dwCallback, desc.dwInstance, reinterpret_cast<HDRVR>(desc.hMidi), HIWORD(openFlags & CALLBACK_TYPEMASK)};
}

inline bool SwitchedOff(unsigned port, uint32_t bits) {
  return (SharedCable()->Port(port).switches.load() & bits) != 0;
}

// winmm hands preparing a header to the driver and returns its answer: the
// driver marks it prepared itself.
inline bool UsableHeader(const MIDIHDR* header, DWORD_PTR size) {
  return header != nullptr && size >= offsetof(MIDIHDR, dwOffset) && header->lpData != nullptr;
}
inline DWORD PrepareHeader(MIDIHDR* header, DWORD_PTR size) {
  if (!UsableHeader(header, size)) return MMSYSERR_INVALPARAM;
  if (header->dwFlags & MHDR_PREPARED) return MMSYSERR_NOERROR;
  header->lpNext = nullptr;
  header->dwFlags = (header->dwFlags | MHDR_PREPARED) & ~(MHDR_DONE | MHDR_INQUEUE);
  return MMSYSERR_NOERROR;
}
inline DWORD UnprepareHeader(MIDIHDR* header, DWORD_PTR size) {
  if (!UsableHeader(header, size)) return MMSYSERR_INVALPARAM;
  if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
  header->dwFlags &= ~MHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

// "Tavrel Loop A" into a caps structure's name.
void PortName(unsigned port, WCHAR (&name)[MAXPNAMELEN]);

// A port's capabilities, input or output: the fields both share, then the
// kind's own (`own`), copied up to the size the caller gave.
template <typename Caps, typename Own>
DWORD CopyCaps(unsigned port, Caps* caps, DWORD_PTR size, Own own) {
  if (port >= kPorts) return MMSYSERR_BADDEVICEID;
  if (caps == nullptr) return MMSYSERR_INVALPARAM;
  Caps full = {};
  full.wMid = MM_UNMAPPED;
  full.wPid = MM_PID_UNMAPPED;
  full.vDriverVersion = 0x0100;
  PortName(port, full.szPname);
  own(full);
  memcpy(caps, &full, size < sizeof full ? size : sizeof full);
  return MMSYSERR_NOERROR;
}

// The driver's own messages, which need nothing of it.
inline bool IsDriverMessage(UINT message) {
  return message == DRVM_INIT || message == DRVM_EXIT || message == DRVM_ENABLE || message == DRVM_DISABLE;
}

}  // namespace loopback

extern "C" {
DWORD WINAPI modMessage(UINT id, UINT message, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2);
DWORD WINAPI midMessage(UINT id, UINT message, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2);
}
