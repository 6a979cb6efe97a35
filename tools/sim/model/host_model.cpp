#include "model/host_model.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host_contract.h"
#include "midi_map.h"
#include "model/controls.h"
#include "model/host_commands.h"

namespace sim {
namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

int ArmableRow(uint32_t param) {
  for (int row = 0; row < HOST_ARMABLE_COUNT; ++row)
    if (HOST_ARMABLE[row] == param) return row;
  return -1;
}

float* ParamSlot(HostStrip& strip, uint32_t param, uint32_t index) {
  switch (param) {
    case MIX_PARAM_VOL:
      return &strip.volume;
    case MIX_PARAM_PAN:
      return &strip.pan;
    case MIX_PARAM_MUTE:
      return &strip.mute;
    case MIX_PARAM_SOLO:
      return &strip.solo;
    case MIX_PARAM_ARM:
      return &strip.arm;
    case MIX_PARAM_SEND_VOL:
      return &strip.sendVolume[index];
    case MIX_PARAM_SEND_PAN:
      return &strip.sendPan[index];
    default:
      return nullptr;
  }
}

constexpr int kVkCtrl = 0x11, kVkAlt = 0x12, kVkShift = 0x10, kVkEnter = 0x0D;

}  // namespace

const char* ParamName(uint32_t param) {
  switch (param) {
    case MIX_PARAM_VOL:
      return "volume";
    case MIX_PARAM_PAN:
      return "pan";
    case MIX_PARAM_MUTE:
      return "mute";
    case MIX_PARAM_SOLO:
      return "solo";
    case MIX_PARAM_ARM:
      return "arm";
    case MIX_PARAM_SEND_VOL:
      return "send volume";
    case MIX_PARAM_SEND_PAN:
      return "send pan";
    default:
      return "unknown";
  }
}

// --- The COM objects --------------------------------------------------------

// Positions after an interface's last defined one. A plug-in that called one
// would otherwise run off the end of the table; here it is a reported error.
#define SIM_BEYOND(first)                                                      \
  virtual HRESULT STDMETHODCALLTYPE Beyond0() { return Undefined(first + 0); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond1() { return Undefined(first + 1); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond2() { return Undefined(first + 2); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond3() { return Undefined(first + 3); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond4() { return Undefined(first + 4); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond5() { return Undefined(first + 5); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond6() { return Undefined(first + 6); } \
  virtual HRESULT STDMETHODCALLTYPE Beyond7() { return Undefined(first + 7); }

template <class Interface>
class Part : public Interface {
 public:
  Part(HostModel& host, const char* name) : m_host(host), m_name(name) {}
  virtual ~Part() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override { return m_host.QueryHost(riid, out); }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG count = InterlockedDecrement(&m_refs);
    if (count < 0) m_host.Error(std::string(m_name) + " released more often than it was obtained");
    return static_cast<ULONG>(count < 0 ? 0 : count);
  }
  long Count() const { return m_refs; }
  const char* Name() const { return m_name; }

 protected:
  HRESULT Undefined(int position) {
    m_host.Error(host_contract::UndefinedPosition(m_name, position));
    return E_NOTIMPL;
  }
  HostModel& m_host;

 private:
  const char* m_name;
  LONG m_refs = 0;
};

class CHostRoot : public Part<IUnknown> {
 public:
  using Part::Part;
  SIM_BEYOND(3)
};

class CHostMidiOut : public Part<IHostMidiOut> {
 public:
  using Part::Part;
  HRESULT STDMETHODCALLTYPE SendShortMessage(ULONG_PTR cookie, DWORD message) override {
    return m_host.OnMessage(cookie, message);
  }
  SIM_BEYOND(4)
};

class CHostKeyboard : public Part<IHostKeyboard> {
 public:
  using Part::Part;
  HRESULT STDMETHODCALLTYPE SendKey(DWORD virtualKey, DWORD kind) override { return m_host.OnKey(virtualKey, kind); }
  SIM_BEYOND(4)
};

class CHostCommands : public Part<IHostCommands> {
 public:
  using Part::Part;
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override { return Undefined(3); }
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override { return Undefined(4); }
  HRESULT STDMETHODCALLTYPE RunCommand(DWORD id) override { return m_host.OnCommand(id); }
  SIM_BEYOND(6)
};

class CHostProject : public Part<IHostProject> {
 public:
  using Part::Part;
  SIM_BEYOND(3)
};

class CHostMixer : public Part<IHostMixer> {
 public:
  using Part::Part;
  HRESULT STDMETHODCALLTYPE GetStripCount(DWORD kind, DWORD* count) override {
    return m_host.OnStripCount(kind, count);
  }
  HRESULT STDMETHODCALLTYPE Slot4Placeholder() override { return Undefined(4); }
  HRESULT STDMETHODCALLTYPE Slot5Placeholder() override { return Undefined(5); }
  HRESULT STDMETHODCALLTYPE Slot6Placeholder() override { return Undefined(6); }
  HRESULT STDMETHODCALLTYPE SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                     DWORD flag) override {
    return m_host.OnSetParam(kind, strip, param, index, value, flag);
  }
  HRESULT STDMETHODCALLTYPE GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) override {
    return m_host.OnGetParam(kind, strip, param, index, value);
  }
  HRESULT STDMETHODCALLTYPE Slot9Placeholder() override { return Undefined(9); }
  HRESULT STDMETHODCALLTYPE Slot10Placeholder() override { return Undefined(10); }
  HRESULT STDMETHODCALLTYPE SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) override {
    return m_host.OnSetArm(kind, strip, param, index, on);
  }
  HRESULT STDMETHODCALLTYPE GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) override {
    return m_host.OnGetArm(kind, strip, param, index, on);
  }
  SIM_BEYOND(13)
};

class CHostTransport : public Part<IHostTransport> {
 public:
  using Part::Part;
  HRESULT STDMETHODCALLTYPE Slot3Placeholder() override { return Undefined(3); }
  HRESULT STDMETHODCALLTYPE GetState(DWORD which, DWORD* on) override { return m_host.OnGetState(which, on); }
  HRESULT STDMETHODCALLTYPE SetNowTime(DWORD which, TimeRecord* record) override {
    return m_host.OnSetTime(which, record);
  }
  HRESULT STDMETHODCALLTYPE GetNowTime(DWORD which, TimeRecord* record) override {
    return m_host.OnGetTime(which, record);
  }
  SIM_BEYOND(7)
};

struct HostModel::Parts {
  explicit Parts(HostModel& host)
      : root(host, "host IUnknown"),
        midiOut(host, "IHostMidiOut"),
        keyboard(host, "IHostKeyboard"),
        commands(host, "IHostCommands"),
        project(host, "IHostProject"),
        mixer(host, "IHostMixer"),
        transport(host, "IHostTransport") {}
  CHostRoot root;
  CHostMidiOut midiOut;
  CHostKeyboard keyboard;
  CHostCommands commands;
  CHostProject project;
  CHostMixer mixer;
  CHostTransport transport;
};

// --- The model --------------------------------------------------------------

HostModel::HostModel(Monitor& monitor, Hardware& hardware)
    : m_monitor(monitor), m_hardware(hardware), m_parts(new Parts(*this)) {
  m_parts->root.AddRef();  // the host's own reference
}

HostModel::~HostModel() { delete m_parts; }

IUnknown* HostModel::Unknown() { return &m_parts->root; }

void HostModel::Error(const std::string& what) {
  m_monitor.Host("ERROR " + what);
  std::lock_guard<std::mutex> lock(m_errorMutex);
  if (m_errors.size() < 100) m_errors.push_back(what);
}

std::vector<std::string> HostModel::TakeErrors() {
  std::lock_guard<std::mutex> lock(m_errorMutex);
  std::vector<std::string> errors;
  errors.swap(m_errors);
  return errors;
}

std::vector<std::pair<const char*, long>> HostModel::References() const {
  return {
      {m_parts->midiOut.Name(), m_parts->midiOut.Count()},   {m_parts->keyboard.Name(), m_parts->keyboard.Count()},
      {m_parts->commands.Name(), m_parts->commands.Count()}, {m_parts->project.Name(), m_parts->project.Count()},
      {m_parts->mixer.Name(), m_parts->mixer.Count()},       {m_parts->transport.Name(), m_parts->transport.Count()}};
}

HRESULT HostModel::QueryHost(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  IUnknown* found = nullptr;
  if (IsEqualGUID(riid, IID_IUnknown)) found = &m_parts->root;
  if (IsEqualGUID(riid, IID_IHostMidiOut)) found = &m_parts->midiOut;
  if (IsEqualGUID(riid, IID_IHostKeyboard)) found = &m_parts->keyboard;
  if (IsEqualGUID(riid, IID_IHostCommands)) found = &m_parts->commands;
  if (IsEqualGUID(riid, IID_IHostProject)) found = &m_parts->project;
  if (IsEqualGUID(riid, IID_IHostMixer)) found = &m_parts->mixer;
  if (IsEqualGUID(riid, IID_IHostTransport)) found = &m_parts->transport;
  *out = found;
  if (m_monitor.Reads() || found != &m_parts->root) {
    const char* name = found == &m_parts->midiOut     ? "IHostMidiOut"
                       : found == &m_parts->keyboard  ? "IHostKeyboard"
                       : found == &m_parts->commands  ? "IHostCommands"
                       : found == &m_parts->project   ? "IHostProject"
                       : found == &m_parts->mixer     ? "IHostMixer"
                       : found == &m_parts->transport ? "IHostTransport"
                       : found == nullptr             ? "an interface this host does not have"
                                                      : "IUnknown";
    m_monitor.Host(std::string("QueryInterface ") + name + (found ? " -> S_OK" : " -> E_NOINTERFACE"));
  }
  if (found == nullptr) return E_NOINTERFACE;
  found->AddRef();
  return S_OK;
}

HRESULT HostModel::OnMessage(ULONG_PTR cookie, DWORD message) {
  m_messagesOut.fetch_add(1, std::memory_order_relaxed);
  m_monitor.Out(message);
  if (cookie != m_cookie.load()) Error(Printf("SendShortMessage with cookie %p, not the surface's", (void*)cookie));
  if (const char* why = host_contract::MidiOut(message))
    Error(Printf("SendShortMessage %08lx: %s", static_cast<unsigned long>(message), why));
  m_hardware.Receive(message);
  return S_OK;
}

HRESULT HostModel::OnKey(DWORD vk, DWORD kind) {
  if (const char* why = host_contract::KeyKind(kind)) {
    Error(Printf("SendKey kind %lu: %s", static_cast<unsigned long>(kind), why));
    return S_OK;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  bool* modifier = vk == kVkCtrl    ? &m_state.ctrl
                   : vk == kVkAlt   ? &m_state.alt
                   : vk == kVkShift ? &m_state.shift
                                    : nullptr;
  if (modifier != nullptr && kind != KEY_PRESS) {
    *modifier = kind == KEY_DOWN;
    if (m_monitor.Reads()) m_monitor.Host("SendKey " + KeyName(vk) + (kind == KEY_DOWN ? " down" : " up"));
    return S_OK;
  }
  if (kind == KEY_UP) return S_OK;
  const std::string shortcut = std::string(m_state.ctrl ? "Ctrl+" : "") + (m_state.alt ? "Alt+" : "") +
                               (m_state.shift ? "Shift+" : "") + KeyName(vk);
  m_monitor.Host("SendKey " + shortcut);
  if (m_state.keys.size() < 10000) m_state.keys.push_back(shortcut);
  // What this host does with the shortcuts it knows: F11 puts a marker at the
  // now time; in the record-mode dialog O and S choose, Return confirms.
  if (shortcut == "F11") {
    m_state.markers.insert(std::upper_bound(m_state.markers.begin(), m_state.markers.end(), m_state.now), m_state.now);
    m_state.undo.push_back({HostEdit::Marker, m_state.now, m_state.now});
    m_state.redo.clear();
  } else if (m_state.recordModeDialog >= 0 && (shortcut == "O" || shortcut == "S")) {
    m_state.recordModeDialog = shortcut == "O" ? 0 : 1;
  } else if (m_state.recordModeDialog >= 0 && vk == kVkEnter) {
    m_state.recordMode = m_state.recordModeDialog;
    m_state.recordModeDialog = -1;
  }
  return S_OK;
}

HRESULT HostModel::OnCommand(DWORD id) {
  m_monitor.Host("RunCommand " + std::to_string(id) + " " + CommandName(id));
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_state.commands.size() < 10000) m_state.commands.push_back(id);
  RunCommandLocked(id);
  return S_OK;
}

void HostModel::Command(uint32_t id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  RunCommandLocked(id);
}

namespace {

// Takes back the last edit, or does again the last one taken back: takes,
// markers and punch points.
void UndoOrRedo(HostState& s, bool undoing) {
  std::vector<HostEdit>& from = undoing ? s.undo : s.redo;
  std::vector<HostEdit>& to = undoing ? s.redo : s.undo;
  if (from.empty()) return;
  const HostEdit edit = from.back();
  from.pop_back();
  if (edit.kind == HostEdit::Take) s.takes += undoing ? -1 : 1;
  if (edit.kind == HostEdit::Marker) {
    if (undoing) {
      auto it = std::find(s.markers.begin(), s.markers.end(), edit.after);
      if (it != s.markers.end()) s.markers.erase(it);
    } else {
      s.markers.insert(std::upper_bound(s.markers.begin(), s.markers.end(), edit.after), edit.after);
    }
  }
  if (edit.kind == HostEdit::PunchIn) s.punchIn = undoing ? edit.before : edit.after;
  if (edit.kind == HostEdit::PunchOut) s.punchOut = undoing ? edit.before : edit.after;
  to.push_back(edit);
}

}  // namespace

void HostModel::RunCommandLocked(uint32_t id) {
  HostState& s = m_state;
  auto undoable = [&s](HostEdit edit) {
    s.undo.push_back(edit);
    s.redo.clear();
  };
  switch (id) {
    case COMMAND_TRANSPORT_KEY_76:
      s.playing = true;
      break;
    case COMMAND_RECORD:
      if (!s.recording) s.recordStart = s.now;
      s.recording = s.playing = true;
      break;
    case COMMAND_STOP:
      if (s.recording) {
        ++s.takes;
        undoable({HostEdit::Take, s.recordStart, s.now});
      }
      s.recording = s.playing = false;
      break;
    case COMMAND_REWIND:
      s.now = 0;
      break;
    case COMMAND_PREV_MEASURE:
      s.now = s.now > 0 ? ((s.now - 1) / MEASURE_TICKS) * MEASURE_TICKS : 0;
      break;
    case COMMAND_NEXT_MEASURE:
      // A now time past the host's range (the surface may set any 64-bit
      // time) has no next measure within it.
      if (s.now < HOST_TIME_MAX) s.now = (s.now / MEASURE_TICKS + 1) * MEASURE_TICKS;
      break;
    case COMMAND_PREV_MARKER: {
      auto it = std::lower_bound(s.markers.begin(), s.markers.end(), s.now);
      if (it != s.markers.begin()) s.now = *(it - 1);
      break;
    }
    case COMMAND_NEXT_MARKER: {
      auto it = std::upper_bound(s.markers.begin(), s.markers.end(), s.now);
      if (it != s.markers.end()) s.now = *it;
      break;
    }
    case COMMAND_RECORD_MODE:
      s.recordModeDialog = s.recordMode;
      break;
    case COMMAND_UNDO:
    case COMMAND_REDO:
      UndoOrRedo(s, id == COMMAND_UNDO);
      break;
    default:
      break;  // logged only
  }
}

bool HostModel::CheckStrip(const char* call, DWORD kind, DWORD strip, DWORD param, DWORD index) {
  const char* why = host_contract::StripCall(kind, strip, param, index);
  if (why == nullptr) return true;
  Error(Printf("%s(kind %lu, strip %lu, param %lu, index %lu) is outside the contract: %s", call,
               static_cast<unsigned long>(kind), static_cast<unsigned long>(strip), static_cast<unsigned long>(param),
               static_cast<unsigned long>(index), why));
  return false;
}

HRESULT HostModel::OnStripCount(DWORD kind, DWORD* count) {
  if (m_monitor.Reads()) m_monitor.Host("GetStripCount");
  if (host_contract::MixerKind(kind) != nullptr || count == nullptr) {
    Error("GetStripCount with kind other than 0 or no count");
    return E_INVALIDARG;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_state.stripCountFails) return E_FAIL;
  *count = static_cast<DWORD>(m_state.stripCount);
  return S_OK;
}

HRESULT HostModel::OnSetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value, DWORD flag) {
  m_monitor.Host(
      Printf("SetParam strip %lu %s%s %.3f", static_cast<unsigned long>(strip), ParamName(param),
             host_contract::IsSend(param) ? Printf(" %lu", static_cast<unsigned long>(index + 1)).c_str() : "",
             static_cast<double>(value)));
  if (host_contract::Flag(flag)) Error(Printf("SetParam with flag %lu, not 1", static_cast<unsigned long>(flag)));
  if (host_contract::Level(value)) Error(Printf("SetParam level %g is outside 0..1", static_cast<double>(value)));
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!CheckStrip("SetParam", kind, strip, param, index)) return E_INVALIDARG;
    if (static_cast<int>(strip) >= m_state.stripCount) return E_INVALIDARG;  // no such strip in this project
    *ParamSlot(m_state.strips[strip], param, index) = value;
  }
  if (m_paramObserver) m_paramObserver(strip, param);
  return S_OK;
}

// A read of one strip's parameter: shown among the reads, with its result
// pointer checked; the caller then checks the call under the lock.
bool HostModel::StartRead(const char* call, DWORD strip, DWORD param, const void* result) {
  if (m_monitor.Reads())
    m_monitor.Host(Printf("%s strip %lu %s", call, static_cast<unsigned long>(strip), ParamName(param)));
  if (result == nullptr) Error(std::string(call) + " without a result pointer");
  return result != nullptr;
}

HRESULT HostModel::OnGetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) {
  if (m_readHook) m_readHook();
  if (!StartRead("GetParam", strip, param, value)) return E_POINTER;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!CheckStrip("GetParam", kind, strip, param, index)) return E_INVALIDARG;
  *value = *ParamSlot(m_state.strips[strip], param, index);
  return static_cast<int>(strip) < m_state.stripCount ? S_OK : E_INVALIDARG;
}

HRESULT HostModel::OnSetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) {
  m_monitor.Host(
      Printf("SetArm strip %lu %s%s %s", static_cast<unsigned long>(strip), ParamName(param),
             host_contract::IsSend(param) ? Printf(" %lu", static_cast<unsigned long>(index + 1)).c_str() : "",
             on ? "on" : "off"));
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!CheckStrip("SetArm", kind, strip, param, index)) return E_INVALIDARG;
  if (static_cast<int>(strip) >= m_state.stripCount) return E_INVALIDARG;
  m_state.strips[strip].armed[ArmableRow(param)][index] = on != 0;
  return S_OK;
}

HRESULT HostModel::OnGetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) {
  if (!StartRead("GetArm", strip, param, on)) return E_POINTER;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!CheckStrip("GetArm", kind, strip, param, index)) return E_INVALIDARG;
  *on = m_state.strips[strip].armed[ArmableRow(param)][index] ? 1 : 0;
  return S_OK;
}

HRESULT HostModel::OnGetState(DWORD which, DWORD* on) {
  if (m_monitor.Reads()) m_monitor.Host("GetState " + std::to_string(which));
  if (on == nullptr || host_contract::TransportState(which) != nullptr) {
    Error("GetState " + std::to_string(which) + " is outside the contract");
    return E_INVALIDARG;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  *on = which == TRANSPORT_PLAYING ? m_state.playing : which == TRANSPORT_RECORDING ? m_state.recording : m_state.blink;
  return S_OK;
}

// Format 3 carries the now time as a signed 32-bit tick count in the low four
// bytes; format 2 carries this host's whole 64-bit tick count.
HRESULT HostModel::OnSetTime(DWORD which, TimeRecord* record) {
  if (const char* why = host_contract::Time(which, record)) {
    Error("SetNowTime " + std::to_string(which) + " is outside the contract: " + why);
    return E_INVALIDARG;
  }
  int64_t time = 0;
  if (record->format == TIME_FORMAT_POSITION) {
    int32_t position = 0;
    std::memcpy(&position, record->value, sizeof position);
    time = position;
  } else {
    std::memcpy(&time, record->value, sizeof time);
  }
  static const char* const kWhich[] = {"now", "", "", "punch in", "punch out"};
  m_monitor.Host(Printf("SetNowTime %s %lld (format %u)", kWhich[which], static_cast<long long>(time),
                        static_cast<unsigned>(record->format)));
  std::lock_guard<std::mutex> lock(m_mutex);
  if (which == TIME_NOW) {
    m_state.now = time;
  } else {
    int64_t& point = which == TIME_PUNCH_IN ? m_state.punchIn : m_state.punchOut;
    m_state.undo.push_back({which == TIME_PUNCH_IN ? HostEdit::PunchIn : HostEdit::PunchOut, point, time});
    m_state.redo.clear();
    point = time;
  }
  return S_OK;
}

HRESULT HostModel::OnGetTime(DWORD which, TimeRecord* record) {
  if (const char* why = host_contract::Time(which, record)) {
    Error("GetNowTime " + std::to_string(which) + " is outside the contract: " + why);
    return E_INVALIDARG;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  const int64_t time = which == TIME_NOW ? m_state.now : which == TIME_PUNCH_IN ? m_state.punchIn : m_state.punchOut;
  if (m_monitor.Reads()) m_monitor.Host("GetNowTime " + std::to_string(which));
  if (record->format == TIME_FORMAT_POSITION) {
    const int32_t position = static_cast<int32_t>(time);
    std::memcpy(record->value, &position, sizeof position);
    std::memset(record->value + 4, 0, 4);
  } else {
    std::memcpy(record->value, &time, sizeof time);
  }
  return S_OK;
}

}  // namespace sim
