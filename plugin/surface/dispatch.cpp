// MIDI input: the entry checks of both operations and the routing of short
// messages by status and controller to the handlers of each control.
#include "tavrel.h"

using namespace midi;

HRESULT STDMETHODCALLTYPE CTavrel::OnShortMidi(DWORD message) {
  CCriticalSectionAuto lock(&m_lock);
  RunOrDefer(false, message, 0);
  return S_OK;
}

void CTavrel::HandleShortMidi(DWORD message, const PassedValues* passed) {
  if (!m_ready) return;
  DWORD stripCount = 0;
  if (!HostGetStripCount(&stripCount)) return;
  DispatchShortMessage(Unpack(message), stripCount, passed);
}

void CTavrel::DispatchShortMessage(const ShortMessage& message, DWORD stripCount, const PassedValues* passed) {
  const uint8_t controller = message.controller;
  const uint8_t value = message.value;

  switch (message.status) {
    case STATUS_CH16:
      if (controller <= CC_FADER_LAST) return OnFaderMove(controller, value, stripCount, passed);
      if (controller >= CC_SEND_C && controller <= CC_SEND_B) return OnSendKnob(controller, value, passed);
      if (controller == CC_PAN_KNOB) return OnPanKnob(value, passed);
      if (controller == CC_FOOTSWITCH) return OnFootswitch(value);
      if (controller == CC_JOG_WHEEL) return OnJogWheel(value);
      break;

    case STATUS_CH15:
      if (controller <= CC_KNOB_STRIP_LAST) return OnKnobStripButton(controller, value, stripCount);
      if (controller <= CC_SELECT_LAST) return OnSelectButton(controller, value, stripCount);
      if (controller == CC_STORE_KEY) return OnStoreKey(value);
      if (controller >= CC_FUNCTION_F1 && controller <= CC_FUNCTION_F9) return OnFunctionKey(controller, value);
      if (controller >= CC_TRANSPORT_FIRST && controller <= CC_TRANSPORT_LAST) return OnTransportKey(controller, value);
      if (controller >= CC_UNUSED_KEY_FIRST && controller <= CC_UNUSED_KEY_LAST) return OnUnusedKey(value);
      if (controller == CC_UP_KEY || controller == CC_DOWN_KEY) return OnUpDownKey(controller, value);
      if (controller == CC_CURSOR_LEFT || controller == CC_CURSOR_RIGHT) return OnCursorKey(controller, value);
      break;

    case STATUS_CH14:
      if (controller < CC_AUTO_ARM_FIRST) return OnStripStateButton(controller, value);
      if (controller <= CC_AUTO_ARM_LAST) {
        if (ConfigByte(CONFIG_LOCATE_BUTTONS) != 0) return OnLocateButton(controller);
        return OnAutomationArmButton(controller, value, stripCount);
      }
      // No control sends controllers 128..255 on this channel; channel 14
      // messages never touch the footswitch machine.
      return;

    default:
      break;
  }
  // Anything no control handles returns the footswitch machine to idle.
  m_footState = FOOT_IDLE;
}

HRESULT STDMETHODCALLTYPE CTavrel::OnLongMidi(DWORD count, const BYTE* bytes) {
  if (bytes == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  CCriticalSectionAuto lock(&m_lock);
  int32_t move = 0;
  if (DecodeShuttle(bytes, count, &move)) RunOrDefer(true, 0, move);
  return S_OK;
}
