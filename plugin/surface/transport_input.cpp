// Transport, store, function, up and down keys, jog wheel, shuttle, locate
// buttons and the footswitch tap machine.
#include <cstring>
#include <limits>

#include "clock.h"
#include "function_command_table.h"
#include "module_state.h"
#include "tavrel.h"

using namespace midi;

namespace {

// Host commands of the transport keys 0x4B..0x4F, in controller order; the
// last one (record) runs COMMAND_RECORD_IN_STORE_MODE while store mode is on.
constexpr DWORD TRANSPORT_COMMANDS[] = {COMMAND_REWIND, COMMAND_TRANSPORT_KEY_76, COMMAND_TRANSPORT_KEY_77,
                                        COMMAND_STOP, COMMAND_RECORD};
static_assert(sizeof TRANSPORT_COMMANDS / sizeof TRANSPORT_COMMANDS[0] == CC_TRANSPORT_LAST - CC_TRANSPORT_FIRST + 1);

constexpr DWORD VK_UP_ARROW = 38;
constexpr DWORD VK_DOWN_ARROW = 40;
constexpr DWORD VK_LETTER_T = 'T';
constexpr DWORD VK_LETTER_R = 'R';

// Adds in 64 bits and stops at the ends of the 32-bit range, so that a move
// never wraps from one end of the timeline to the other.
int32_t SaturatingAdd(int32_t position, int32_t step) {
  const int64_t sum = static_cast<int64_t>(position) + step;
  if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(sum);
}

}  // namespace

// Every message on these keys, press or release, returns the footswitch to
// idle: the user has taken the transport in hand.
void CTavrel::OnTransportKey(uint8_t controller, uint8_t value) {
  if (KeyPressed(value)) {
    DWORD command = TRANSPORT_COMMANDS[controller - CC_TRANSPORT_FIRST];
    if (controller == CC_TRANSPORT_LAST && m_storeMode) command = COMMAND_RECORD_IN_STORE_MODE;
    HostRunCommand(command);
  }
  m_footState = FOOT_IDLE;
}

// Store mode lasts while the key is held. A message that finds the mode as
// it asks (a press while on, a release while off) only resets the footswitch.
void CTavrel::OnStoreKey(uint8_t value) {
  if (KeyPressed(value)) {
    if (m_storeMode) {
      m_footState = FOOT_IDLE;
      return;
    }
    Send(STATUS_CH14, LED_STORE, LED_ON);
    Send(STATUS_CH14, LED_AUTO_ARM, LED_OFF);
    // Both lights changed behind the refresh's back. The store light lives on
    // the solo address of position 1: the cache calls it lit, so the refresh
    // darkens it after the release unless that strip is soloed; position 0's
    // automation-arm light is dark until the refresh relights it.
    ForgetLight(0, LEDBIT_AUTO_ARM, false);
    ForgetLight(1, LEDBIT_SOLO, true);
    m_storeLightLit = true;
    m_storeMode = 1;
  } else {
    if (!m_storeMode) {
      m_footState = FOOT_IDLE;
      return;
    }
    m_storeMode = 0;
    m_storeLightLit = false;
    g_storeReleaseTick = ClockNowMs();
  }
}

// The assignment is read at the press, so an edit on the page applies to the
// next press. No latch: every press runs the command again.
void CTavrel::OnFunctionKey(uint8_t controller, uint8_t value) {
  if (!KeyPressed(value)) {
    m_footState = FOOT_IDLE;
    return;
  }
  RunFunctionCommand(static_cast<int8_t>(ConfigByte(CONFIG_FUNCTION_KEY + (controller - CC_FUNCTION_F1))));
}

// An arrow key followed by the key on scan code 51 (the comma key of the
// keyboard layout, looked up at reset).
void CTavrel::OnUpDownKey(uint8_t controller, uint8_t value) {
  if (!KeyPressed(value)) {
    m_footState = FOOT_IDLE;
    return;
  }
  HostSendKey(controller == CC_UP_KEY ? VK_UP_ARROW : VK_DOWN_ARROW, KEY_PRESS);
  HostSendKey(m_vkComma, KEY_PRESS);
}

void CTavrel::OnUnusedKey(uint8_t value) {
  if (!KeyPressed(value)) m_footState = FOOT_IDLE;
}

// Relative turns move the now time by a step that grows with the speed of
// the turn. Bytes above 127 are no turn of the wheel and move nothing.
void CTavrel::OnJogWheel(uint8_t value) {
  if (!JogValueValid(value)) return;
  int detents = JogDetents(value);
  if (detents > JOG_MAX_DETENTS) detents = JOG_MAX_DETENTS;
  if (detents < -JOG_MAX_DETENTS) detents = -JOG_MAX_DETENTS;
  int32_t step = detents < 0 ? -JOG_STEPS[-detents] : JOG_STEPS[detents];
  if (m_storeMode) step *= JOG_STORE_MODE_FACTOR;
  MoveNowTime(step);
}

// The shuttle moves by its signed speed once per message, in or out of store
// mode, ready or not.
void CTavrel::OnShuttle(int32_t move) { MoveNowTime(move); }

// Reads the now time as a 32-bit position, adds the step and writes it back;
// both calls are made also for a step of 0. The record starts zeroed so that
// a failed read writes a defined position.
void CTavrel::MoveNowTime(int32_t step) {
  TimeRecord record{};
  record.format = TIME_FORMAT_POSITION;
  HostGetNowTime(TIME_NOW, &record);
  int32_t position;
  std::memcpy(&position, record.value, sizeof position);
  position = SaturatingAdd(position, step);
  std::memcpy(record.value, &position, sizeof position);
  HostSetNowTime(TIME_NOW, &record);
}

// With "Position Locate" the 32 buttons on channel 14 controllers 0x60..0x7F
// store (in store mode) or recall a now time, whatever the bank. Button 0
// right after the store key's release still stores: users tend to let go of
// the store key a moment before they hit the button.
void CTavrel::OnLocateButton(uint8_t controller) {
  const int slot = controller - CC_AUTO_ARM_FIRST;
  TimeRecord record{};
  record.format = TIME_FORMAT_LOCATE;
  Send(STATUS_CH14, controller, LED_OFF);
  ForgetLight(slot, LEDBIT_AUTO_ARM, false);
  if (slot == 0 && ElapsedMs(g_storeReleaseTick, ClockNowMs()) <= LOCATE_STORE_GRACE_MS) m_storeMode = 1;
  if (m_storeMode) {
    HostGetNowTime(TIME_NOW, &record);
    if (!HostCallsAllowed()) return;  // superseded: the slot keeps what it held
    std::memcpy(m_locateSlot[slot], record.value, sizeof record.value);
  } else {
    std::memcpy(record.value, m_locateSlot[slot], sizeof record.value);
    HostSetNowTime(TIME_NOW, &record);
  }
}

// The tap machine: record; stop and rewind; then, within the window after
// the stop tap, undo, and redo followed by the keys that insert a track.
// The second option keeps the first two steps and swallows the next two
// taps. The window is measured at the tap; there is no timer.
void CTavrel::OnFootswitch(uint8_t value) {
  if (!KeyPressed(value)) return;
  const bool withUndo = ConfigByte(CONFIG_FOOTSWITCH) == 0;
  const uint32_t now = ClockNowMs();
  const bool inWindow = ElapsedMs(g_footTapTick, now) < FOOT_TAP_WINDOW_MS;

  switch (m_footState) {
    case FOOT_IDLE:
      HostRunCommand(COMMAND_RECORD);
      m_footState = FOOT_RECORDING;
      break;
    case FOOT_RECORDING:
      HostRunCommand(COMMAND_STOP);
      HostRunCommand(COMMAND_REWIND);
      g_footTapTick = now;
      m_footState = FOOT_STOPPED;
      break;
    case FOOT_STOPPED:
    case FOOT_UNDONE:
      if (!inWindow) {
        HostRunCommand(COMMAND_RECORD);
        m_footState = FOOT_RECORDING;
        break;
      }
      if (m_footState == FOOT_STOPPED) {
        if (withUndo) HostRunCommand(COMMAND_UNDO);
        m_footState = FOOT_UNDONE;
        break;
      }
      if (withUndo) {
        HostRunCommand(COMMAND_REDO);
        struct KeyEvent {
          DWORD key;
          DWORD kind;
        };
        const KeyEvent sequence[] = {
            {VK_DOWN_ARROW, KEY_PRESS},  {m_vkComma, KEY_PRESS},        {VK_UP_ARROW, KEY_PRESS},
            {m_vkComma, KEY_PRESS},      {fkeys::VK_ALT_KEY, KEY_DOWN}, {VK_LETTER_T, KEY_PRESS},
            {fkeys::VK_ALT_KEY, KEY_UP}, {VK_LETTER_R, KEY_PRESS},      {fkeys::VK_INSERT_KEY, KEY_PRESS},
            {m_vkComma, KEY_PRESS},      {fkeys::VK_ALT_KEY, KEY_DOWN}, {VK_LETTER_T, KEY_PRESS},
            {fkeys::VK_ALT_KEY, KEY_UP}, {VK_LETTER_R, KEY_PRESS},
        };
        for (const KeyEvent& event : sequence) HostSendKey(event.key, event.kind);
      }
      m_footState = FOOT_IDLE;
      break;
    default:
      break;
  }
}
