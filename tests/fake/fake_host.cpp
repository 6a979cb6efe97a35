#include "fake_host.h"

#include "host_contract.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Not printf-checked on purpose: DWORD is unsigned long on Windows and
// unsigned int natively, both 32 bits, and both print with %u / %x.
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

const char* KindName(DWORD kind) {
  switch (kind) {
    case KEY_DOWN:
      return "down";
    case KEY_UP:
      return "up";
    case KEY_PRESS:
      return "press";
    default:
      return "?";
  }
}

std::string DescribeTime(const TimeRecord* record) {
  if (record->format == TIME_FORMAT_POSITION) {
    int32_t position;
    std::memcpy(&position, record->value, sizeof position);
    return Format("format=3 pos=%d", position);
  }
  std::string hex;
  for (uint8_t cell : record->value) hex += Format("%02x", cell);
  return Format("format=%u value=%s", record->format, hex.c_str());
}

}  // namespace

// --- tear-offs --------------------------------------------------------------

template <typename Interface, HostInterface Which>
HRESULT STDMETHODCALLTYPE FakeTearOff<Interface, Which>::QueryInterface(REFIID riid, void** ppv) {
  return host->QueryInterface(riid, ppv);
}
template <typename Interface, HostInterface Which>
ULONG STDMETHODCALLTYPE FakeTearOff<Interface, Which>::AddRef() {
  return static_cast<ULONG>(++host->TearOffRefs(Which));
}
template <typename Interface, HostInterface Which>
ULONG STDMETHODCALLTYPE FakeTearOff<Interface, Which>::Release() {
  LONG& refs = host->TearOffRefs(Which);
  if (refs <= 0) host->Record("UNEXPECTED Release of an interface not held");
  return static_cast<ULONG>(--refs);
}

HRESULT STDMETHODCALLTYPE FakeMidiOut::SendShortMessage(ULONG_PTR cookie, DWORD message) {
  host->NoteSend(cookie, message);
  if (const char* why = host_contract::MidiOut(message)) host->Record(Format("UNEXPECTED %08x: %s", message, why));
  host->Record(Format("send %02x %02x %02x", message & 0xFF, (message >> 8) & 0xFF, (message >> 16) & 0xFF));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeKeyboard::SendKey(DWORD virtualKey, DWORD kind) {
  host->Record(Format("key %02x %s", virtualKey, KindName(kind)));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeCommands::Slot3Placeholder() {
  host->Record("UNEXPECTED IHostCommands slot 3");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeCommands::Slot4Placeholder() {
  host->Record("UNEXPECTED IHostCommands slot 4");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeCommands::RunCommand(DWORD id) {
  host->Record(Format("command %u", id));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeMixer::GetStripCount(DWORD kind, DWORD* count) {
  host->Unexpected("GetStripCount", host_contract::MixerKind(kind));
  host->Record("GetStripCount", true);
  return host->ReadStripCount(count);
}
HRESULT STDMETHODCALLTYPE FakeMixer::Slot4Placeholder() {
  host->Record("UNEXPECTED IHostMixer slot 4");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeMixer::Slot5Placeholder() {
  host->Record("UNEXPECTED IHostMixer slot 5");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeMixer::Slot6Placeholder() {
  host->Record("UNEXPECTED IHostMixer slot 6");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeMixer::SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                              DWORD flag) {
  host->Unexpected("SetParam", host_contract::StripCall(kind, strip, param, index));
  host->Unexpected("SetParam", host_contract::Level(value));
  host->Record(Format("SetParam strip=%u param=%u index=%u value=%.4f flag=%u", strip, param, index,
                      static_cast<double>(value), flag));
  host->WriteParam(strip, param, index, value);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE FakeMixer::GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) {
  host->Unexpected("GetParam", host_contract::StripCall(kind, strip, param, index));
  host->Record(Format("GetParam strip=%u param=%u index=%u", strip, param, index), true);
  return host->ReadParam(strip, param, index, value);
}
HRESULT STDMETHODCALLTYPE FakeMixer::Slot9Placeholder() {
  host->Record("UNEXPECTED IHostMixer slot 9");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeMixer::Slot10Placeholder() {
  host->Record("UNEXPECTED IHostMixer slot 10");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeMixer::SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD on) {
  host->Unexpected("SetArm", host_contract::StripCall(kind, strip, param, index));
  host->Record(Format("SetArm strip=%u param=%u index=%u on=%u", strip, param, index, on));
  host->WriteArm(strip, param, index, on);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE FakeMixer::GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) {
  host->Unexpected("GetArm", host_contract::StripCall(kind, strip, param, index));
  host->Record(Format("GetArm strip=%u param=%u index=%u", strip, param, index), true);
  return host->ReadArm(strip, param, index, on);
}

HRESULT STDMETHODCALLTYPE FakeTransport::Slot3Placeholder() {
  host->Record("UNEXPECTED IHostTransport slot 3");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FakeTransport::GetState(DWORD which, DWORD* on) {
  host->Record(Format("GetState %u", which), true);
  return host->ReadState(which, on);
}
HRESULT STDMETHODCALLTYPE FakeTransport::GetNowTime(DWORD which, TimeRecord* record) {
  if (record == nullptr) {
    host->Record("UNEXPECTED GetNowTime without a record");
    return E_POINTER;
  }
  host->Record(Format("GetNowTime which=%u format=%u", which, record->format));
  if (host->nowTimeFails) return E_FAIL;
  const int64_t value = which == TIME_NOW ? host->position : which == TIME_PUNCH_IN ? host->punchIn : host->punchOut;
  if (record->format == TIME_FORMAT_POSITION) {
    const auto low = static_cast<int32_t>(value);
    std::memcpy(record->value, &low, sizeof low);
  } else {
    std::memcpy(record->value, &value, sizeof value);
  }
  return S_OK;
}
HRESULT STDMETHODCALLTYPE FakeTransport::SetNowTime(DWORD which, TimeRecord* record) {
  if (record == nullptr) {
    host->Record("UNEXPECTED SetNowTime without a record");
    return E_POINTER;
  }
  host->Record(Format("SetNowTime which=%u %s", which, DescribeTime(record).c_str()));
  int64_t value;
  if (record->format == TIME_FORMAT_POSITION) {
    int32_t low;
    std::memcpy(&low, record->value, sizeof low);
    value = low;
  } else {
    std::memcpy(&value, record->value, sizeof value);
  }
  (which == TIME_NOW ? host->position : which == TIME_PUNCH_IN ? host->punchIn : host->punchOut) = value;
  return S_OK;
}

// --- the host object ----------------------------------------------------------

FakeHost::FakeHost() {
  m_midiOut.host = this;
  m_keyboard.host = this;
  m_commands.host = this;
  m_project.host = this;
  m_mixer.host = this;
  m_transport.host = this;
}

HRESULT STDMETHODCALLTYPE FakeHost::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  struct Row {
    const IID* iid;
    HostInterface which;
    IUnknown* part;
  };
  const Row rows[] = {{&IID_IHostMidiOut, HostInterface::MidiOut, &m_midiOut},
                      {&IID_IHostKeyboard, HostInterface::Keyboard, &m_keyboard},
                      {&IID_IHostCommands, HostInterface::Commands, &m_commands},
                      {&IID_IHostProject, HostInterface::Project, &m_project},
                      {&IID_IHostMixer, HostInterface::Mixer, &m_mixer},
                      {&IID_IHostTransport, HostInterface::Transport, &m_transport}};
  if (IsEqualGUID(riid, IID_IUnknown)) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  for (const Row& row : rows) {
    if (!IsEqualGUID(riid, *row.iid)) continue;
    const HRESULT refusal = m_refusal[static_cast<int>(row.which)];
    if (FAILED(refusal)) {
      *ppv = m_garbageOnRefusal ? reinterpret_cast<void*>(static_cast<uintptr_t>(0xDEADBEEF)) : nullptr;
      return refusal;
    }
    *ppv = row.part;
    row.part->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FakeHost::AddRef() { return static_cast<ULONG>(++m_hostRefs); }
ULONG STDMETHODCALLTYPE FakeHost::Release() { return static_cast<ULONG>(--m_hostRefs); }

void FakeHost::Withhold(HostInterface which, HRESULT result) { m_refusal[static_cast<int>(which)] = result; }

float FakeHost::ParamValue(DWORD strip, DWORD param, DWORD index) const {
  auto it = m_params.find({strip, param, index});
  return it == m_params.end() ? 0.0f : it->second;
}

DWORD FakeHost::ArmValue(DWORD strip, DWORD param, DWORD index) const {
  auto it = m_arms.find({strip, param, index});
  return it == m_arms.end() ? 0 : it->second;
}

void FakeHost::Record(std::string line, bool isRead) {
  if (line.rfind("UNEXPECTED", 0) == 0) m_unexpected.push_back(line);
  if (onRecord) onRecord(line);
  m_log.push_back({std::move(line), isRead});
}

std::vector<std::string> FakeHost::Log(bool includeReads) const {
  std::vector<std::string> lines;
  for (const Entry& entry : m_log)
    if (includeReads || !entry.isRead) lines.push_back(entry.line);
  return lines;
}

std::vector<std::string> FakeHost::Sends() const {
  std::vector<std::string> lines;
  for (const Entry& entry : m_log)
    if (entry.line.rfind("send ", 0) == 0) lines.push_back(entry.line);
  return lines;
}

bool FakeHost::SawUnexpected() const {
  for (const Entry& entry : m_log)
    if (entry.line.rfind("UNEXPECTED", 0) == 0) return true;
  return false;
}

LONG FakeHost::RefCount(HostInterface which) const { return m_refs[static_cast<int>(which)]; }

HRESULT FakeHost::ReadStripCount(DWORD* count) {
  if (stripCountResult == S_OK) *count = stripCount;
  return stripCountResult;
}

HRESULT FakeHost::ReadParam(DWORD strip, DWORD param, DWORD index, float* value) {
  if (getParamFails) return E_FAIL;
  *value = ParamValue(strip, param, index);
  return S_OK;
}

HRESULT FakeHost::ReadArm(DWORD strip, DWORD param, DWORD index, DWORD* on) {
  if (getParamFails) return E_FAIL;
  *on = ArmValue(strip, param, index);
  return S_OK;
}

HRESULT FakeHost::ReadState(DWORD which, DWORD* on) {
  if (getParamFails) return E_FAIL;
  auto it = m_states.find(which);
  *on = it == m_states.end() ? 0 : it->second;
  return S_OK;
}

template struct FakeTearOff<IHostMidiOut, HostInterface::MidiOut>;
template struct FakeTearOff<IHostKeyboard, HostInterface::Keyboard>;
template struct FakeTearOff<IHostCommands, HostInterface::Commands>;
template struct FakeTearOff<IHostProject, HostInterface::Project>;
template struct FakeTearOff<IHostMixer, HostInterface::Mixer>;
template struct FakeTearOff<IHostTransport, HostInterface::Transport>;
