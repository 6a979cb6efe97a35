#include "fuzz_host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "host_contract.h"
#include "midi_map.h"

void FuzzCheck(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

namespace {

// Levels a host might report: in range, out of range, infinite or NaN.
float DrawLevel(FuzzInput* input) {
  switch (input->Byte() % 6) {
    case 0:
      return static_cast<float>(input->Byte()) / 255.0f;
    case 1:
      return -static_cast<float>(input->Byte()) / 16.0f;
    case 2:
      return 1.0f + static_cast<float>(input->Byte()) / 16.0f;
    case 3:
      return std::numeric_limits<float>::quiet_NaN();
    case 4:
      return input->Float();
    default:
      return midi::ValueToLevel(input->Byte() & 0x7F);
  }
}

// Most calls succeed; a few fail without filling their out-argument.
bool DrawFailure(FuzzInput* input) { return input->Byte() % 8 == 7; }

// Aborts when a shared contract check found a broken promise.
void Keep(const char* broken) { FuzzCheck(broken == nullptr, broken); }

}  // namespace

HRESULT STDMETHODCALLTYPE FuzzHost::QueryInterface(REFIID riid, void** ppv) {
  Called();
  if (ppv == nullptr) return E_POINTER;
  void* found = HostInterface(riid);
  // The fuzzer may refuse any interface (a partial attach).
  if (found == nullptr || m_input->Byte() % 16 == 15) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  *ppv = found;
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE FuzzHost::Release() {
  FuzzCheck(m_refs > 1, "no release the surface did not earn");
  return static_cast<ULONG>(--m_refs);
}

HRESULT STDMETHODCALLTYPE FuzzHost::SendShortMessage(ULONG_PTR, DWORD message) {
  Called();
  Keep(host_contract::MidiOut(message));
  const midi::ShortMessage m = midi::Unpack(message);
  m_shown[m.status == midi::STATUS_CH15][m.controller & 0x7F] = m.value;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::SendKey(DWORD, DWORD kind) {
  Called();
  Keep(host_contract::KeyKind(kind));
  return S_OK;
}

HRESULT FuzzHost::PlaceholderCalled() {
  FuzzCheck(false, "no placeholder slot is ever called");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FuzzHost::GetStripCount(DWORD, DWORD* count) {
  Called();
  const uint8_t pick = m_input->Byte();
  answers.countOk = false;
  if (pick % 16 == 15) return E_FAIL;
  if (pick % 16 == 14) return S_FALSE;  // success, but not S_OK
  // Counts beyond the 128 reachable strips happen too.
  m_lastCount = pick % 4 == 0 ? m_input->Word() : static_cast<DWORD>(m_input->Byte()) % 140;
  *count = m_lastCount;
  answers.countOk = true;
  answers.count = m_lastCount;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::SetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float value,
                                             DWORD flag) {
  Called();
  Keep(host_contract::StripCall(kind, strip, param, index));
  Keep(host_contract::Level(value));
  Keep(host_contract::Flag(flag));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::GetParam(DWORD kind, DWORD strip, DWORD param, DWORD index, float* value) {
  const bool fails = StripReadFails(kind, strip, param, index);
  const float level = fails ? 0.0f : DrawLevel(m_input);
  if (!fails) *value = level;
  if (strip < static_cast<DWORD>(midi::HOST_STRIP_LIMIT) && index == 0) {
    if (param == MIX_PARAM_ARM) answers.arm[strip] = level;
    if (param == MIX_PARAM_MUTE) answers.mute[strip] = level;
    if (param == MIX_PARAM_SOLO) answers.solo[strip] = level;
  }
  return fails ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::SetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD) {
  Called();
  Keep(host_contract::StripCall(kind, strip, param, index));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::GetArm(DWORD kind, DWORD strip, DWORD param, DWORD index, DWORD* on) {
  const bool fails = StripReadFails(kind, strip, param, index);
  const DWORD armed = fails ? 0 : m_input->Byte() % 2;
  if (!fails) *on = armed;
  if (strip < static_cast<DWORD>(midi::HOST_STRIP_LIMIT) && param == MIX_PARAM_MUTE && index == 0)
    answers.armed[strip] = armed;
  return fails ? E_FAIL : S_OK;
}

// A read of one strip's value: the call is seen, the strip checked, and the
// input decides whether it fails without filling its out-argument.
bool FuzzHost::StripReadFails(DWORD kind, DWORD strip, DWORD param, DWORD index) {
  Called();
  Keep(host_contract::StripCall(kind, strip, param, index));
  return DrawFailure(m_input);
}

HRESULT STDMETHODCALLTYPE FuzzHost::GetState(DWORD which, DWORD* on) {
  Called();
  Keep(host_contract::TransportState(which));
  if (DrawFailure(m_input)) return E_FAIL;
  *on = m_input->Byte() % 3 == 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::GetNowTime(DWORD which, TimeRecord* record) {
  Called();
  Keep(host_contract::Time(which, record));
  if (DrawFailure(m_input)) return E_FAIL;
  if (record->format == TIME_FORMAT_POSITION) {
    // Positions near the ends of the range, where a careless add overflows.
    const uint8_t pick = m_input->Byte() % 4;
    const int32_t position = pick == 0   ? std::numeric_limits<int32_t>::max() - (m_input->Byte() & 0x7F)
                             : pick == 1 ? std::numeric_limits<int32_t>::min() + (m_input->Byte() & 0x7F)
                                         : static_cast<int32_t>(m_input->Word());
    std::memcpy(record->value, &position, sizeof position);
  } else {
    for (uint8_t& cell : record->value) cell = m_input->Byte();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FuzzHost::SetNowTime(DWORD which, TimeRecord* record) {
  Called();
  Keep(host_contract::Time(which, record));
  return S_OK;
}
