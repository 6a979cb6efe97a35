// The function-command rows, the cursor keys and the bank window.
#include "function_command_table.h"
#include "tavrel.h"

using namespace midi;

namespace {

// Row 22 ("Tempo") presses Alt with whatever key the keyboard layout puts on
// scan code 10; the layout may change while the host runs, so it is looked
// up at every press.
constexpr UINT SCAN_CODE_TEMPO = 10;

}  // namespace

// Runs one row of the table. The byte comes from the settings block and is
// read as signed: 0, negatives and anything past the last row do nothing.
void CTavrel::RunFunctionCommand(int8_t index) {
  if (index < fkeys::FIRST_COMMAND || index > fkeys::LAST_COMMAND) return;
  for (const fkeys::Step& step : fkeys::FUNCTION_COMMANDS[index].steps) {
    switch (step.kind) {
      case fkeys::StepKind::None:
        return;
      case fkeys::StepKind::RunCommand:
        HostRunCommand(step.arg);
        break;
      case fkeys::StepKind::KeyPress:
        HostSendKey(step.arg, KEY_PRESS);
        break;
      case fkeys::StepKind::CtrlKey:
        HostSendKey(fkeys::VK_CONTROL_KEY, KEY_DOWN);
        HostSendKey(step.arg, KEY_PRESS);
        HostSendKey(fkeys::VK_CONTROL_KEY, KEY_UP);
        break;
      case fkeys::StepKind::AltKey:
      case fkeys::StepKind::AltScan10: {
        const DWORD key =
            step.kind == fkeys::StepKind::AltKey ? step.arg : MapVirtualKeyA(SCAN_CODE_TEMPO, MAPVK_VSC_TO_VK);
        HostSendKey(fkeys::VK_ALT_KEY, KEY_DOWN);
        HostSendKey(key, KEY_PRESS);
        HostSendKey(fkeys::VK_ALT_KEY, KEY_UP);
        break;
      }
      case fkeys::StepKind::PunchIn:
      case fkeys::StepKind::PunchOut: {
        // The record goes from the read to the write untouched; zeroed first
        // so that a failed read still writes a defined value.
        TimeRecord record{};
        record.format = TIME_FORMAT_POSITION;
        HostGetNowTime(TIME_NOW, &record);
        HostSetNowTime(step.kind == fkeys::StepKind::PunchIn ? TIME_PUNCH_IN : TIME_PUNCH_OUT, &record);
        break;
      }
    }
  }
}

// Left and right either step the host by measure or move the bank window,
// as the settings block says. A release only returns the footswitch to idle.
void CTavrel::OnCursorKey(uint8_t controller, uint8_t value) {
  if (!KeyPressed(value)) {
    m_footState = FOOT_IDLE;
    return;
  }
  const bool left = controller == CC_CURSOR_LEFT;
  if (ConfigByte(CONFIG_CURSOR_LEFT_RIGHT) == 0) {
    HostRunCommand(left ? COMMAND_PREV_MEASURE : COMMAND_NEXT_MEASURE);
  } else {
    ChangeBank(left ? -1 : 1);
  }
}

// Moves the 32-strip window by `delta` banks, stopping at the ends. Every
// press sweeps the surface and shows the bank, also at a limit, so the user
// sees where they are.
void CTavrel::ChangeBank(int delta) {
  int bank = m_bank + delta;
  if (bank < 0) bank = 0;
  if (bank > BANK_COUNT - 1) bank = BANK_COUNT - 1;
  m_bank = bank;
  m_firstStrip = bank * STRIPS_PER_BANK;
  m_lastStrip = m_firstStrip + STRIPS_PER_BANK - 1;

  ClearSurface();
  ShowTwoDigits(static_cast<int8_t>(m_bank));

  // The sweep darkened everything behind the caches' back: forget what the
  // new window's LEDs and the transport lights were, so that the next
  // refresh lights what the host calls for (a running transport included).
  for (int strip = m_firstStrip; strip <= m_lastStrip; ++strip) m_stripLeds[strip] = 0;
  m_wasPlaying = 0;
  m_wasRecording = 0;
  m_storeLightLit = false;
}
