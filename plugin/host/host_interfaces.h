// The host's side of the control-surface contract: the interface the host
// calls on us (IControlSurface) and the six interfaces we take from the host.
//
// The host calls and is called by slot position, so every interface lists
// its methods in slot order; a slot we never call is a placeholder that only
// keeps the positions after it. Slots 0..2 are IUnknown's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win_compat.h"

// --- The interface the surface object implements --------------------------

// {933A0E58-A8FC-491E-9F4A-DC85B7CC1BE5}
inline constexpr IID IID_IControlSurface = {
    0x933A0E58, 0xA8FC, 0x491E, {0x9F, 0x4A, 0xDC, 0x85, 0xB7, 0xCC, 0x1B, 0xE5}};

// The host's type library that describes IControlSurface for IDispatch.
// {73F06F93-B012-4D92-8B95-EE9D46ED66A2}, version 1.0
inline constexpr GUID LIBID_ControlSurfaceHost = {
    0x73F06F93, 0xB012, 0x4D92, {0x8B, 0x95, 0xEE, 0x9D, 0x46, 0xED, 0x66, 0xA2}};
inline constexpr WORD CONTROL_SURFACE_TYPELIB_MAJOR = 1;
inline constexpr WORD CONTROL_SURFACE_TYPELIB_MINOR = 0;

struct IControlSurface : IDispatch {
  // Slot 7.
  virtual HRESULT STDMETHODCALLTYPE QueryStatusText(char* buffer, DWORD* length) = 0;
  // Slot 8. One short message packed in a word (status in bits 0..7).
  virtual HRESULT STDMETHODCALLTYPE OnShortMidi(DWORD message) = 0;
  // Slot 9.
  virtual HRESULT STDMETHODCALLTYPE OnLongMidi(DWORD count, const BYTE* bytes) = 0;
  // Slot 10.
  virtual HRESULT STDMETHODCALLTYPE AttachHost(IUnknown* host, DWORD unused) = 0;
  // Slot 11.
  virtual HRESULT STDMETHODCALLTYPE DetachHost() = 0;
  // Slot 12.
  virtual HRESULT STDMETHODCALLTYPE RefreshFeedback(DWORD kind, DWORD unused) = 0;
  // Slot 13.
  virtual HRESULT STDMETHODCALLTYPE QueryNoEchoMask(WORD* mask, DWORD* flag) = 0;
};

// --- The six host interfaces ----------------------------------------------

// {ED0C14F0-40F3-4459-813C-CB5B5A5E4958}
inline constexpr IID IID_IHostMidiOut = {0xED0C14F0, 0x40F3, 0x4459, {0x81, 0x3C, 0xCB, 0x5B, 0x5A, 0x5E, 0x49, 0x58}};
// {85F8BB17-75F8-497F-8319-EF33A632C380}
inline constexpr IID IID_IHostKeyboard = {0x85F8BB17, 0x75F8, 0x497F, {0x83, 0x19, 0xEF, 0x33, 0xA6, 0x32, 0xC3, 0x80}};
// {55507DE1-C037-4682-A4EC-65B1D2E86B53}
inline constexpr IID IID_IHostCommands = {0x55507DE1, 0xC037, 0x4682, {0xA4, 0xEC, 0x65, 0xB1, 0xD2, 0xE8, 0x6B, 0x53}};
// {E141CA65-0D23-4251-91E1-46D2E13322E1}
inline constexpr IID IID_IHostProject = {0xE141CA65, 0x0D23, 0x4251, {0x91, 0xE1, 0x46, 0xD2, 0xE1, 0x33, 0x22, 0xE1}};
// {C579794F-A55E-4C56-8A2F-FE4AE839EA98}
inline constexpr IID IID_IHostMixer = {0xC579794F, 0xA55E, 0x4C56, {0x8A, 0x2F, 0xFE, 0x4A, 0xE8, 0x39, 0xEA, 0x98}};
// {B1B5DBD1-6E24-4522-BEB3-AE016D1D31DF}
inline constexpr IID IID_IHostTransport = {
    0xB1B5DBD1, 0x6E24, 0x4522, {0xBE, 0xB3, 0xAE, 0x01, 0x6D, 0x1D, 0x31, 0xDF}};

// Key event kinds of IHostKeyboard::SendKey.
inline constexpr DWORD KEY_DOWN = 1;
inline constexpr DWORD KEY_UP = 2;
inline constexpr DWORD KEY_PRESS = 3;

// Mixer parameter codes. The index argument is the send (0..4) for the two
// send parameters and 0 for the others.
inline constexpr DWORD MIX_PARAM_VOL = 0;
inline constexpr DWORD MIX_PARAM_PAN = 1;
inline constexpr DWORD MIX_PARAM_MUTE = 2;
inline constexpr DWORD MIX_PARAM_SOLO = 3;
inline constexpr DWORD MIX_PARAM_ARM = 5;  // record arm
inline constexpr DWORD MIX_PARAM_SEND_VOL = 21;
inline constexpr DWORD MIX_PARAM_SEND_PAN = 22;

// Host command ids for IHostCommands::RunCommand: every id the surface runs,
// named once. What the host does with an id is the host's own; the names say
// which control or function-command row runs it.
// Transport keys (0x4B..0x4F) and the footswitch.
inline constexpr DWORD COMMAND_REWIND = 18;
inline constexpr DWORD COMMAND_TRANSPORT_KEY_76 = 16;  // the second transport key
inline constexpr DWORD COMMAND_TRANSPORT_KEY_77 = 36;  // the third transport key
inline constexpr DWORD COMMAND_STOP = 170;
inline constexpr DWORD COMMAND_RECORD = 17;
inline constexpr DWORD COMMAND_RECORD_IN_STORE_MODE = 245;  // the record key while the store key is held
// The cursor keys with "Prev / Next Measure".
inline constexpr DWORD COMMAND_PREV_MEASURE = 37;
inline constexpr DWORD COMMAND_NEXT_MEASURE = 38;
// The function-command rows that run host commands, by caption.
inline constexpr DWORD COMMAND_UNDO = 41;
inline constexpr DWORD COMMAND_REDO = 152;
inline constexpr DWORD COMMAND_METER = 104;
inline constexpr DWORD COMMAND_MARKERS = 105;
inline constexpr DWORD COMMAND_PLAYLIST = 107;
inline constexpr DWORD COMMAND_SYSX = 108;
inline constexpr DWORD COMMAND_CAL = 109;
inline constexpr DWORD COMMAND_PANIC = 113;
inline constexpr DWORD COMMAND_AUDIO_OPTIONS = 149;
inline constexpr DWORD COMMAND_VIRTUAL_PIANO = 161;
inline constexpr DWORD COMMAND_INSERT_AUDIO_TRACK = 234;
inline constexpr DWORD COMMAND_INSERT_MIDI_TRACK = 235;
inline constexpr DWORD COMMAND_REJECT_LOOP = 21;
inline constexpr DWORD COMMAND_STEP_RECORD = 19;
inline constexpr DWORD COMMAND_CLONE_TRACK = 68;
inline constexpr DWORD COMMAND_PREV_MARKER = 168;
inline constexpr DWORD COMMAND_NEXT_MARKER = 169;
inline constexpr DWORD COMMAND_RECORD_MODE = 20;  // followed by the mode's letter and Return

// Transport states asked with IHostTransport::GetState.
inline constexpr DWORD TRANSPORT_PLAYING = 1;
inline constexpr DWORD TRANSPORT_RECORDING = 3;
inline constexpr DWORD TRANSPORT_RECORD_BLINK = 4;

// Which time IHostTransport's now-time calls address.
inline constexpr DWORD TIME_NOW = 0;
inline constexpr DWORD TIME_PUNCH_IN = 3;
inline constexpr DWORD TIME_PUNCH_OUT = 4;

// Time formats of TimeRecord.
inline constexpr uint32_t TIME_FORMAT_LOCATE = 2;    // 8-byte value, handed back unchanged
inline constexpr uint32_t TIME_FORMAT_POSITION = 3;  // low 32 bits: signed position

// The time record exchanged with IHostTransport: format at byte 0, four bytes
// the host owns, the value at byte 8.
struct TimeRecord {
  uint32_t format;
  uint32_t reserved;
  uint8_t value[8];
};
static_assert(sizeof(TimeRecord) == 16, "hosts read the record as 16 bytes");
static_assert(offsetof(TimeRecord, value) == 8, "hosts expect the value at byte 8");

struct IHostMidiOut : IUnknown {
  // Slot 3. cookie identifies the sending surface; it is pointer-sized.
  virtual HRESULT STDMETHODCALLTYPE SendShortMessage(ULONG_PTR cookie, DWORD message) = 0;
};

struct IHostKeyboard : IUnknown {
  // Slot 3.
  virtual HRESULT STDMETHODCALLTYPE SendKey(DWORD virtualKey, DWORD kind) = 0;
};

struct IHostCommands : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Slot3Placeholder() = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot4Placeholder() = 0;
  // Slot 5.
  virtual HRESULT STDMETHODCALLTYPE RunCommand(DWORD id) = 0;
};

// Must be obtainable for an attach to succeed; no method of it is called.
struct IHostProject : IUnknown {};

struct IHostMixer : IUnknown {
  // Slot 3.
  virtual HRESULT STDMETHODCALLTYPE GetStripCount(DWORD kind, DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot4Placeholder() = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot5Placeholder() = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot6Placeholder() = 0;
  // Slot 7. flag is always 1.
  virtual HRESULT STDMETHODCALLTYPE SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                             DWORD flag) = 0;
  // Slot 8.
  virtual HRESULT STDMETHODCALLTYPE GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot9Placeholder() = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot10Placeholder() = 0;
  // Slot 11.
  virtual HRESULT STDMETHODCALLTYPE SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) = 0;
  // Slot 12.
  virtual HRESULT STDMETHODCALLTYPE GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) = 0;
};

struct IHostTransport : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Slot3Placeholder() = 0;
  // Slot 4.
  virtual HRESULT STDMETHODCALLTYPE GetState(DWORD which, DWORD* on) = 0;
  // Slot 5.
  virtual HRESULT STDMETHODCALLTYPE SetNowTime(DWORD which, TimeRecord* record) = 0;
  // Slot 6.
  virtual HRESULT STDMETHODCALLTYPE GetNowTime(DWORD which, TimeRecord* record) = 0;
};

// One object that is all six host interfaces, with one identity and one
// count, as a small host may be (the benchmarks' and the fuzz targets' hosts
// are). HostInterface gives this object as the interface `riid` names, its
// IUnknown being the MIDI output, or null.
struct IHostInterfaces : IHostMidiOut, IHostKeyboard, IHostCommands, IHostProject, IHostMixer, IHostTransport {
  void* HostInterface(REFIID riid) {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IHostMidiOut)) return static_cast<IHostMidiOut*>(this);
    if (IsEqualGUID(riid, IID_IHostKeyboard)) return static_cast<IHostKeyboard*>(this);
    if (IsEqualGUID(riid, IID_IHostCommands)) return static_cast<IHostCommands*>(this);
    if (IsEqualGUID(riid, IID_IHostProject)) return static_cast<IHostProject*>(this);
    if (IsEqualGUID(riid, IID_IHostMixer)) return static_cast<IHostMixer*>(this);
    if (IsEqualGUID(riid, IID_IHostTransport)) return static_cast<IHostTransport*>(this);
    return nullptr;
  }
};
