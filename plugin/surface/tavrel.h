// CTavrel: the surface object the host creates and attaches. It implements
// IControlSurface (the host's contract), IPersistStream (the settings block)
// and ISpecifyPropertyPages (the settings page), and holds the whole run-time
// state of the surface.
//
// Files by concern:
//   tavrel_com.cpp        construction, IUnknown, IDispatch, status text, no-echo mask
//   module_state.cpp      what every surface object of the process shares
//   connection.cpp        attach, detach, refresh entry, state reset and switch-off sweep
//   host_calls.cpp        the one seam through which every host call is made
//   reentry.cpp           calls that arrive from inside the host's own calls
//   dispatch.cpp          short and long MIDI input: entry checks and routing
//   strip_input.cpp       faders, strip buttons, select and knob-strip buttons
//   transport_input.cpp   transport, store, function, up/down keys, jog, shuttle, locate, footswitch
//   knob_input.cpp        pan and send knobs
//   function_commands.cpp the function-command rows, cursor keys and bank window
//   refresh.cpp           SyncSurface and the display
//   ../config/persistence.cpp  IPersistStream, ISpecifyPropertyPages, defaults
#pragma once

#include <atomic>
#include <cstdint>

#include "handles.h"
#include "host_interfaces.h"
#include "midi_map.h"
#include "surface_config.h"
#include "win_compat.h"

// Number of live surface objects; DllCanUnloadNow reads it.
extern LONG volatile g_objectCount;

// Tests only: module-wide stamps and counters back to their load-time values.
void ResetModuleStateForTesting();

// Footswitch tap states (m_footState).
enum FootState : int8_t { FOOT_IDLE = 0, FOOT_RECORDING = 1, FOOT_STOPPED = 2, FOOT_UNDONE = 3 };

// The values a fader or knob passed through before its last move, when
// queued moves of it are handled as one (reentry.cpp). Bytes are taken
// whole, so 256.
struct PassedValues {
  uint32_t bits[8];
  void Add(uint8_t value) { bits[value >> 5] |= 1u << (value & 31); }
  bool Has(int value) const { return value >= 0 && value < 256 && ((bits[value >> 5] >> (value & 31)) & 1) != 0; }
};

class CTavrel : public IControlSurface, public IPersistStream, public ISpecifyPropertyPages {
 public:
  CTavrel();

  // IUnknown, shared by all three bases: one count, one QueryInterface.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch, through the host's type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT* argErr) override;

  // IControlSurface.
  HRESULT STDMETHODCALLTYPE QueryStatusText(char* buffer, DWORD* length) override;
  HRESULT STDMETHODCALLTYPE OnShortMidi(DWORD message) override;
  HRESULT STDMETHODCALLTYPE OnLongMidi(DWORD count, const BYTE* bytes) override;
  HRESULT STDMETHODCALLTYPE AttachHost(IUnknown* host, DWORD unused) override;
  HRESULT STDMETHODCALLTYPE DetachHost() override;
  HRESULT STDMETHODCALLTYPE RefreshFeedback(DWORD kind, DWORD unused) override;
  HRESULT STDMETHODCALLTYPE QueryNoEchoMask(WORD* mask, DWORD* flag) override;

  // Follows the IControlSurface slots in the primary table; hosts never call it.
  virtual ~CTavrel();

  // IPersistStream.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

  // ISpecifyPropertyPages.
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // The settings block, byte by byte. The page writes from the UI thread
  // without the surface lock while MIDI input reads, so every access is a
  // relaxed atomic byte access; input reads each byte once per event.
  uint8_t ConfigByte(size_t index) const;
  void SetConfigByte(size_t index, uint8_t value);
  // All 30 bytes to zero, then bytes 0..16 to their defaults.
  void SetDefaultConfig();

  // The surface object of this module behind `unknown`, or null for any other
  // object. Only COM calls are made on `unknown`; nothing else is read.
  static CTavrel* FromUnknown(IUnknown* unknown);

  CTavrel(const CTavrel&) = delete;
  CTavrel& operator=(const CTavrel&) = delete;

 private:
  friend class CTavrelTestAccess;  // tests look at the state

  // --- connection and state (connection.cpp) ---
  void ReleaseHost();
  void ResetState();
  void ClearSurface();

  // --- refresh and display (refresh.cpp) ---
  void SyncSurface();
  // Every strip light of the window as the LED cache holds it.
  void SendWindowLights(int32_t firstStrip);
  // Records in the LED cache that a strip light of the window was switched
  // outside the refresh, so the next refresh compares against the truth.
  void ForgetLight(int position, uint8_t bit, bool lit);
  void ShowTwoDigits(int8_t value);

  // --- input routing (dispatch.cpp) ---
  // `passed` is set for a coalesced fader or knob move (reentry.cpp).
  void HandleShortMidi(DWORD message, const PassedValues* passed);
  void DispatchShortMessage(const midi::ShortMessage& message, DWORD stripCount, const PassedValues* passed);

  // --- re-entrant calls (reentry.cpp) ---
  // The critical section lets the thread that holds it in again, so a host
  // can call back into the surface from inside one of its own calls (input
  // delivered by a sent window message while GetParam waits, a detach from
  // inside SendShortMessage). Each entry point that works on the surface
  // state runs as one operation: input that arrives inside an operation
  // waits in a small queue until the operation is over (moves of one fader
  // or knob as one move), a refresh inside one is skipped (the next one comes
  // soon), and an attach or detach inside one ends the interrupted
  // operation's host calls.
  class COperation {
   public:
    explicit COperation(CTavrel* surface);
    ~COperation();
    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

   private:
    CTavrel* m_surface;
    bool m_outermost;
    bool m_outerSuperseded;
    uint32_t m_attachmentAtStart;
  };
  // One short message, or a shuttle move decoded from a long one. A fader or
  // knob move that later moves of the same control joined carries the values
  // it passed, so that pick-up meets the host where the moves one by one would.
  struct DeferredInput {
    bool isShuttle;
    DWORD message;
    int32_t move;
    bool coalesced;
    PassedValues passed;
  };
  bool InOperation() const { return m_callDepth > 0; }
  void RunOrDefer(bool isShuttle, DWORD message, int32_t move);
  void Defer(const DeferredInput& input);
  DeferredInput* QueuedMoveToJoin(DWORD message);
  void RunInput(const DeferredInput& input);
  void RunDeferredInput();
  // Input the queue could not keep: counted for the status text, and the
  // lights are sent afresh (a dropped button press may have lit its light).
  void DropInput(uint32_t count);
  // An attach or detach: the running operation's host calls stop, and input
  // queued for the old attachment is dropped.
  void AttachmentChanged();
  // False once the attachment has changed under the running operation. A
  // read whose answer would become state (a pick-up flag, the transport
  // memory) is followed by this check, so a superseded operation keeps no
  // such state from a read it did not make; LED cache bits it sets for
  // messages it did not send are healed by the full resend it leaves behind.
  bool HostCallsAllowed() const { return !m_superseded; }

  // --- channel strips (strip_input.cpp) ---
  void OnFaderMove(int position, uint8_t value, DWORD stripCount, const PassedValues* passed = nullptr);
  void OnStripStateButton(uint8_t controller, uint8_t value);  // mute, record arm, solo
  void OnAutomationArmButton(uint8_t controller, uint8_t value, DWORD stripCount);
  void OnSelectButton(uint8_t controller, uint8_t value, DWORD stripCount);
  void OnKnobStripButton(int position, uint8_t value, DWORD stripCount);

  // --- transport side (transport_input.cpp) ---
  void OnTransportKey(uint8_t controller, uint8_t value);
  void OnStoreKey(uint8_t value);
  void OnFunctionKey(uint8_t controller, uint8_t value);
  void OnUpDownKey(uint8_t controller, uint8_t value);
  void OnUnusedKey(uint8_t value);
  void OnJogWheel(uint8_t value);
  void OnLocateButton(uint8_t controller);
  void OnFootswitch(uint8_t value);
  void OnShuttle(int32_t move);
  void MoveNowTime(int32_t step);

  // --- knobs (knob_input.cpp) ---
  void OnPanKnob(uint8_t value, const PassedValues* passed);
  void OnSendKnob(uint8_t controller, uint8_t value, const PassedValues* passed);
  // One knob turn against (param, index) of the knob strip, with its pick-up flag.
  void TurnKnob(uint8_t* picked, DWORD param, DWORD index, uint8_t value, const PassedValues* passed);

  // --- function commands and bank window (function_commands.cpp) ---
  void RunFunctionCommand(int8_t index);
  void OnCursorKey(uint8_t controller, uint8_t value);
  void ChangeBank(int delta);

  // --- host calls (host_calls.cpp) ---
  // Every call checks its interface pointer, so a call that arrives outside
  // an attachment does nothing instead of calling through null. Values the
  // host is meant to fill start at zero, so a failed call reads as off / 0.
  void Send(uint8_t status, uint8_t controller, uint8_t value);
  void HostSendKey(DWORD virtualKey, DWORD kind);
  void HostRunCommand(DWORD id);
  bool HostGetStripCount(DWORD* count);  // true only for S_OK
  float HostGetParam(DWORD strip, DWORD param, DWORD index);
  void HostSetParam(DWORD strip, DWORD param, DWORD index, float value);
  DWORD HostGetArm(DWORD strip, DWORD param, DWORD index);
  void HostSetArm(DWORD strip, DWORD param, DWORD index, DWORD on);
  DWORD HostGetState(DWORD which);
  void HostGetNowTime(DWORD which, TimeRecord* record);
  void HostSetNowTime(DWORD which, TimeRecord* record);

  IControlSurface* Primary() { return static_cast<IControlSurface*>(this); }

  // --- state (every field starts defined at construction) ---
  uint8_t m_faderValue[32] = {};  // by window position
  int8_t m_selStrip = 0;          // absolute strip
  int8_t m_knobStrip = 0;         // absolute strip
  uint8_t m_faderPicked[32] = {};
  uint8_t m_panPicked = 0;
  uint8_t m_sendPicked[5] = {};
  uint8_t m_stripLeds[midi::HOST_STRIP_LIMIT] = {};  // by absolute strip, LEDBIT_*
  SurfaceConfig m_config = {};
  int8_t m_footState = FOOT_IDLE;
  uint8_t m_locateSlot[32][8] = {};
  int32_t m_bank = 0;
  int32_t m_firstStrip = 0;
  int32_t m_lastStrip = midi::STRIPS_PER_BANK - 1;
  DWORD m_vkComma = 0;
  int32_t m_wasRecording = 0;
  int32_t m_wasPlaying = 0;
  int32_t m_storeMode = 0;
  // The store key's light is lit (from its press to its release or a sweep);
  // the refresh leaves its address alone meanwhile.
  bool m_storeLightLit = false;
  int32_t m_ready = 0;
  // Each object gets its own first-refresh reset (not just the first object
  // the module ever creates).
  bool m_resetPending = true;
  ULONG_PTR m_cookie = 0;
  int32_t m_callDepth = 0;
  uint32_t m_attachment = 0;  // counts attaches and detaches
  bool m_superseded = false;  // an attach or detach ran inside the running operation
  // The surface may show something the LED cache does not record (an
  // operation was superseded, input was dropped): the next refresh sends
  // every light instead of the changes.
  bool m_lightsUnknown = false;
  IHostMidiOut* m_midiOut = nullptr;
  IHostKeyboard* m_keyboard = nullptr;
  IHostCommands* m_commands = nullptr;
  IHostProject* m_project = nullptr;
  IHostMixer* m_mixer = nullptr;
  IHostTransport* m_transport = nullptr;
  LONG volatile m_refCount = 1;
  CRITICAL_SECTION m_lock;
  // Re-entrant input waiting for the running operation to end: a ring in
  // arrival order, each slot freed as its input starts to run. Last, so the
  // fields every message and refresh use stay together.
  static constexpr int32_t DEFERRED_INPUT_LIMIT = 64;
  DeferredInput m_deferred[DEFERRED_INPUT_LIMIT] = {};
  int32_t m_deferredFirst = 0;
  int32_t m_deferredCount = 0;
  // Input the queue could not keep, for the life of the object. Written under
  // the lock, read by QueryStatusText without it.
  std::atomic<uint32_t> m_droppedInput{0};
};
