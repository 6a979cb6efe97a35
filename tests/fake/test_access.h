// Read and write access to a surface object's private state, for tests.
#pragma once

#include "tavrel.h"

class CTavrelTestAccess {
 public:
  explicit CTavrelTestAccess(CTavrel* surface) : s(surface) {}

  uint8_t& faderValue(int position) { return s->m_faderValue[position]; }
  uint8_t& faderPicked(int position) { return s->m_faderPicked[position]; }
  int8_t& selStrip() { return s->m_selStrip; }
  int8_t& knobStrip() { return s->m_knobStrip; }
  uint8_t& panPicked() { return s->m_panPicked; }
  uint8_t& sendPicked(int knob) { return s->m_sendPicked[knob]; }
  uint8_t& stripLeds(int strip) { return s->m_stripLeds[strip]; }
  int8_t& footState() { return s->m_footState; }
  uint8_t* locateSlot(int slot) { return s->m_locateSlot[slot]; }
  int32_t& bank() { return s->m_bank; }
  int32_t& firstStrip() { return s->m_firstStrip; }
  int32_t& lastStrip() { return s->m_lastStrip; }
  DWORD& vkComma() { return s->m_vkComma; }
  int32_t& wasRecording() { return s->m_wasRecording; }
  int32_t& wasPlaying() { return s->m_wasPlaying; }
  int32_t& storeMode() { return s->m_storeMode; }
  bool storeLightLit() const { return s->m_storeLightLit; }
  int32_t& ready() { return s->m_ready; }
  ULONG_PTR& cookie() { return s->m_cookie; }
  bool HoldsMidiOut() const { return s->m_midiOut != nullptr; }
  bool HoldsKeyboard() const { return s->m_keyboard != nullptr; }
  bool HoldsCommands() const { return s->m_commands != nullptr; }
  bool HoldsProject() const { return s->m_project != nullptr; }
  bool HoldsMixer() const { return s->m_mixer != nullptr; }
  bool HoldsTransport() const { return s->m_transport != nullptr; }
  LONG refCount() const { return s->m_refCount; }

  // Internal operations, called under the object's lock as the entry points do.
  void ShowTwoDigits(int8_t value) {
    CCriticalSectionAuto lock(&s->m_lock);
    s->ShowTwoDigits(value);
  }
  void ClearSurface() {
    CCriticalSectionAuto lock(&s->m_lock);
    s->ClearSurface();
  }
  void RunFunctionCommand(int8_t index) {
    CCriticalSectionAuto lock(&s->m_lock);
    s->RunFunctionCommand(index);
  }

 private:
  CTavrel* s;
};
