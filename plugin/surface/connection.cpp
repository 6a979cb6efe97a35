// Attaching to the host, detaching, the refresh entry, the state reset and
// the sweep that switches the whole surface off.
#include "tavrel.h"

using namespace midi;

namespace {

// Queries one host interface into a local and stores it only on success, so
// a host that writes garbage on failure never gets a Release it did not earn.
// An attach or detach that the host made from inside its QueryInterface has
// taken over: what this call obtained goes back, and it stops.
template <typename Interface, typename Superseded>
HRESULT QueryHost(IUnknown* host, REFIID iid, Interface** field, Superseded superseded) {
  void* obtained = nullptr;
  const HRESULT hr = host->QueryInterface(iid, &obtained);
  if (superseded()) {
    if (SUCCEEDED(hr) && obtained != nullptr) static_cast<Interface*>(obtained)->Release();
    return E_UNEXPECTED;
  }
  if (SUCCEEDED(hr)) *field = static_cast<Interface*>(obtained);
  return hr;
}

template <typename Interface>
void ReleaseInterface(Interface** field) {
  if (*field != nullptr) {
    (*field)->Release();
    *field = nullptr;
  }
}

}  // namespace

void CTavrel::ReleaseHost() {
  ReleaseInterface(&m_midiOut);
  ReleaseInterface(&m_keyboard);
  ReleaseInterface(&m_commands);
  ReleaseInterface(&m_project);
  ReleaseInterface(&m_mixer);
  ReleaseInterface(&m_transport);
}

// Takes the six host interfaces in order. The first refusal ends the call and
// is returned; what was obtained until then stays held (a later attach, the
// detach or destruction releases it) and the cookie is left alone.
HRESULT STDMETHODCALLTYPE CTavrel::AttachHost(IUnknown* host, DWORD) {
  if (host == nullptr) return E_POINTER;
  CCriticalSectionAuto lock(&m_lock);
  COperation operation(this);
  AttachmentChanged();
  ReleaseHost();
  const uint32_t attachment = m_attachment;
  const auto superseded = [this, attachment] { return m_attachment != attachment; };
  HRESULT hr;
  if (FAILED(hr = QueryHost(host, IID_IHostMidiOut, &m_midiOut, superseded))) return hr;
  if (FAILED(hr = QueryHost(host, IID_IHostKeyboard, &m_keyboard, superseded))) return hr;
  if (FAILED(hr = QueryHost(host, IID_IHostCommands, &m_commands, superseded))) return hr;
  if (FAILED(hr = QueryHost(host, IID_IHostProject, &m_project, superseded))) return hr;
  if (FAILED(hr = QueryHost(host, IID_IHostMixer, &m_mixer, superseded))) return hr;
  if (FAILED(hr = QueryHost(host, IID_IHostTransport, &m_transport, superseded))) return hr;
  m_cookie = reinterpret_cast<ULONG_PTR>(Primary());
  return hr;
}

// Darkens the surface while the host interfaces are still held, then lets
// them go. The object stays ready and can be attached again.
HRESULT STDMETHODCALLTYPE CTavrel::DetachHost() {
  CCriticalSectionAuto lock(&m_lock);
  COperation operation(this);
  ResetState();
  AttachmentChanged();
  ReleaseHost();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavrel::RefreshFeedback(DWORD kind, DWORD) {
  CCriticalSectionAuto lock(&m_lock);
  if (InOperation()) return S_OK;
  COperation operation(this);
  if (m_resetPending) {
    ResetState();
    m_resetPending = false;
  }
  // Kind 4 is a refresh in which the host wants nothing shown yet.
  if (kind != 4) {
    m_ready = 1;
    SyncSurface();
  }
  return S_OK;
}

void CTavrel::ResetState() {
  for (auto& value : m_faderValue) value = 0;
  for (int strip = 0; strip < STRIPS_PER_BANK; ++strip) m_stripLeds[strip] = 0;
  for (auto& picked : m_sendPicked) picked = 0;
  m_panPicked = 0;
  for (auto& slot : m_locateSlot)
    for (auto& cell : slot) cell = 0;
  m_selStrip = 0;
  m_knobStrip = 0;
  m_wasRecording = 0;
  m_wasPlaying = 0;
  m_storeMode = 0;
  m_storeLightLit = false;
  m_footState = FOOT_IDLE;
  m_bank = 0;
  m_firstStrip = 0;
  m_lastStrip = STRIPS_PER_BANK - 1;
  m_vkComma = MapVirtualKeyA(51, 1);
  ClearSurface();
}

// Switches every LED off and blanks the display: 9 + 32 x 6 = 201 messages in
// a fixed order. The LED cache is left to the callers; afterwards every fader
// of the window counts as picked up. A sweep that cannot go out (no MIDI
// output held, or the operation was superseded) leaves the lights unknown,
// since the callers clear the cache as if it had.
void CTavrel::ClearSurface() {
  if (m_midiOut == nullptr || !HostCallsAllowed()) m_lightsUnknown = true;
  static constexpr uint8_t kPanelLights[] = {LED_RECORD, LED_TRANSPORT_57, LED_PLAY,   LED_ARROW_UP, LED_ARROW_DOWN,
                                             LED_5B,     LED_5C,           DIGIT_LEFT, DIGIT_RIGHT};
  for (uint8_t controller : kPanelLights) Send(STATUS_CH15, controller, LED_OFF);

  struct StripLight {
    uint8_t status;
    uint8_t base;
  };
  static constexpr StripLight kStripLights[] = {{STATUS_CH15, LED_SELECT},  {STATUS_CH14, LED_AUTO_ARM},
                                                {STATUS_CH14, LED_REC_ARM}, {STATUS_CH15, LED_KNOB_STRIP},
                                                {STATUS_CH14, LED_SOLO},    {STATUS_CH14, LED_MUTE}};
  for (int position = 0; position < STRIPS_PER_BANK; ++position) {
    m_faderPicked[position] = 1;
    for (const StripLight& light : kStripLights)
      Send(light.status, static_cast<uint8_t>(light.base + position), LED_OFF);
  }
}
