// The one place where the surface object calls the host. Each call checks its
// interface (calls outside an attachment do nothing), that the attachment has
// not changed under the running operation (a re-entrant attach or detach ends
// its calls), and zero-initialises what the host is meant to fill (a failed
// call reads as off / volume 0).
#include <cstring>

#include "tavrel.h"

void CTavrel::Send(uint8_t status, uint8_t controller, uint8_t value) {
  if (m_midiOut != nullptr && HostCallsAllowed())
    m_midiOut->SendShortMessage(m_cookie, midi::Pack(status, controller, value));
}

void CTavrel::HostSendKey(DWORD virtualKey, DWORD kind) {
  if (m_keyboard != nullptr && HostCallsAllowed()) m_keyboard->SendKey(virtualKey, kind);
}

void CTavrel::HostRunCommand(DWORD id) {
  if (m_commands != nullptr && HostCallsAllowed()) m_commands->RunCommand(id);
}

bool CTavrel::HostGetStripCount(DWORD* count) {
  *count = 0;
  return m_mixer != nullptr && HostCallsAllowed() && m_mixer->GetStripCount(0, count) == S_OK;
}

float CTavrel::HostGetParam(DWORD strip, DWORD param, DWORD index) {
  float value = 0.0f;
  if (m_mixer != nullptr && HostCallsAllowed()) m_mixer->GetParam(0, strip, param, index, &value);
  return value;
}

void CTavrel::HostSetParam(DWORD strip, DWORD param, DWORD index, float value) {
  if (m_mixer != nullptr && HostCallsAllowed()) m_mixer->SetParam(0, strip, param, index, value, 1);
}

DWORD CTavrel::HostGetArm(DWORD strip, DWORD param, DWORD index) {
  DWORD on = 0;
  if (m_mixer != nullptr && HostCallsAllowed()) m_mixer->GetArm(0, strip, param, index, &on);
  return on;
}

void CTavrel::HostSetArm(DWORD strip, DWORD param, DWORD index, DWORD on) {
  if (m_mixer != nullptr && HostCallsAllowed()) m_mixer->SetArm(0, strip, param, index, on);
}

DWORD CTavrel::HostGetState(DWORD which) {
  DWORD on = 0;
  if (m_transport != nullptr && HostCallsAllowed()) m_transport->GetState(which, &on);
  return on;
}

void CTavrel::HostGetNowTime(DWORD which, TimeRecord* record) {
  if (m_transport != nullptr && HostCallsAllowed()) m_transport->GetNowTime(which, record);
}

void CTavrel::HostSetNowTime(DWORD which, TimeRecord* record) {
  if (m_transport != nullptr && HostCallsAllowed()) m_transport->SetNowTime(which, record);
}
