// What the surface promises about its calls to the host: the checks every
// host of this project makes of them, in one place. The simulator's host
// model reports a broken promise as an error of the run, the tests' fake
// host records it as UNEXPECTED, the fuzz host aborts on it.
//
// Each check returns null when the call keeps the promise, else what it
// breaks, worded for a message. Header-only: the simulator and the tests
// include it without depending on each other.
#pragma once

#include <cstdint>
#include <string>

#include "host_interfaces.h"

namespace host_contract {

inline constexpr uint32_t STRIPS = 128;  // host strips the surface can reach
inline constexpr uint32_t SENDS = 8;     // send indexes of the send parameters

// SendShortMessage: channels 14 and 15 only, two 7-bit data bytes, nothing above.
inline const char* MidiOut(DWORD message) {
  const uint32_t status = message & 0xFF, data1 = (message >> 8) & 0xFF, data2 = (message >> 16) & 0xFF;
  if ((message >> 24) != 0) return "a message with its high byte set";
  if (status != 0xBD && status != 0xBE) return "a status other than 0xBD or 0xBE";
  if (data1 >= 0x80 || data2 >= 0x80) return "a data byte of 128 or more";
  return nullptr;
}

inline const char* KeyKind(DWORD kind) {
  return kind >= KEY_DOWN && kind <= KEY_PRESS ? nullptr : "a key event kind other than down, up or press";
}

// The mixer's calls: kind 0, a strip it can reach, a known parameter, and an
// index that only the send parameters may set.
inline const char* MixerKind(DWORD kind) { return kind == 0 ? nullptr : "a mixer kind other than 0"; }
inline const char* Strip(DWORD strip) { return strip < STRIPS ? nullptr : "a strip of 128 or more"; }
inline bool IsSend(DWORD param) { return param == MIX_PARAM_SEND_VOL || param == MIX_PARAM_SEND_PAN; }
inline const char* Param(DWORD param, DWORD index) {
  switch (param) {
    case MIX_PARAM_VOL:
    case MIX_PARAM_PAN:
    case MIX_PARAM_MUTE:
    case MIX_PARAM_SOLO:
    case MIX_PARAM_ARM:
      return index == 0 ? nullptr : "an index on a parameter that has none";
    case MIX_PARAM_SEND_VOL:
    case MIX_PARAM_SEND_PAN:
      return index < SENDS ? nullptr : "a send index of 8 or more";
    default:
      return "a parameter the mixer does not have";
  }
}
inline const char* Level(float value) { return value >= 0.0f && value <= 1.0f ? nullptr : "a level outside 0..1"; }
inline const char* Flag(DWORD flag) { return flag == 1 ? nullptr : "a SetParam flag other than 1"; }
// The first broken promise of a call on one strip's parameter.
inline const char* StripCall(DWORD kind, DWORD strip, DWORD param, DWORD index) {
  if (const char* why = MixerKind(kind)) return why;
  if (const char* why = Strip(strip)) return why;
  return Param(param, index);
}

// The transport: the three states it reports, the three times and two formats.
inline const char* TransportState(DWORD which) {
  return which == TRANSPORT_PLAYING || which == TRANSPORT_RECORDING || which == TRANSPORT_RECORD_BLINK
             ? nullptr
             : "a transport state other than playing, recording or blink";
}
inline const char* Time(DWORD which, const TimeRecord* record) {
  if (record == nullptr) return "no time record";
  if (which != TIME_NOW && which != TIME_PUNCH_IN && which != TIME_PUNCH_OUT)
    return "a time other than now, punch in or punch out";
  if (record->format != TIME_FORMAT_LOCATE && record->format != TIME_FORMAT_POSITION)
    return "a time format other than 2 or 3";
  return nullptr;
}

// A call at a position the interface leaves undefined: a placeholder slot, or
// one past its last operation.
inline std::string UndefinedPosition(const char* interfaceName, int position) {
  return std::string(interfaceName) + " called at position " + std::to_string(position) +
         ", which the contract leaves undefined";
}

}  // namespace host_contract
