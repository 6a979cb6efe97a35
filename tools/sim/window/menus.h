// The window's menu bar and its command ids.
#pragma once

#include <windows.h>

namespace sim {

enum MenuId : UINT {
  ID_FILE_OPEN = 100,
  ID_FILE_SAVE,
  ID_FILE_EXIT,
  ID_SURFACE_PROPERTIES = 200,
  ID_SURFACE_ATTACH,       // detaches when attached, attaches when not
  ID_STRIPS_FIRST = 210,   // + index into kStripCounts
  ID_REFRESH_FIRST = 230,  // + index into kRefreshPeriods
  ID_HOST_PLAY = 300,
  ID_HOST_RECORD,
  ID_HOST_STOP,
  ID_HOST_BLINK,
  ID_PORT_IN_NONE = 400,
  ID_PORT_IN_FIRST,  // + index of the system's MIDI input
  ID_PORT_OUT_NONE = 440,
  ID_PORT_OUT_FIRST,  // + index of the system's MIDI output
  ID_PORT_LAST = 479,
};

inline constexpr int kStripCounts[] = {8, 16, 32, 64, 96, 128};
inline constexpr int kRefreshPeriods[] = {20, 50, 100, 250, 1000};

// The host's menus: File, Surface, Host (the Ports menu is PortsMenu's).
HMENU BuildMenuBar();
// The surface alone's: File with Exit.
HMENU BuildSurfaceMenuBar();
// Ticks and captions that follow the session: attached or not, the blink.
void UpdateMenuBar(HMENU bar, bool attached, bool blink, int strips, int refreshMs);

}  // namespace sim
