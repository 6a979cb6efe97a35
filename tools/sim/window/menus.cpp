#include "window/menus.h"

#include <iterator>
#include <string>

namespace sim {

HMENU BuildSurfaceMenuBar() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, ID_FILE_EXIT, "E&xit");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  return bar;
}

HMENU BuildMenuBar() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, ID_FILE_OPEN, "&Open project...");
  AppendMenuA(file, MF_STRING, ID_FILE_SAVE, "&Save project");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, ID_FILE_EXIT, "E&xit");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");

  HMENU surface = CreatePopupMenu();
  AppendMenuA(surface, MF_STRING, ID_SURFACE_PROPERTIES, "&Properties...");
  AppendMenuA(surface, MF_STRING, ID_SURFACE_ATTACH, "&Detach");
  HMENU strips = CreatePopupMenu();
  for (int i = 0; i < static_cast<int>(std::size(kStripCounts)); ++i)
    AppendMenuA(strips, MF_STRING, ID_STRIPS_FIRST + i, std::to_string(kStripCounts[i]).c_str());
  AppendMenuA(surface, MF_POPUP, reinterpret_cast<UINT_PTR>(strips), "&Strip count");
  HMENU refresh = CreatePopupMenu();
  for (int i = 0; i < static_cast<int>(std::size(kRefreshPeriods)); ++i)
    AppendMenuA(refresh, MF_STRING, ID_REFRESH_FIRST + i, (std::to_string(kRefreshPeriods[i]) + " ms").c_str());
  AppendMenuA(surface, MF_POPUP, reinterpret_cast<UINT_PTR>(refresh), "&Refresh period");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(surface), "&Surface");

  HMENU host = CreatePopupMenu();
  AppendMenuA(host, MF_STRING, ID_HOST_PLAY, "&Play");
  AppendMenuA(host, MF_STRING, ID_HOST_RECORD, "&Record");
  AppendMenuA(host, MF_STRING, ID_HOST_STOP, "&Stop");
  AppendMenuA(host, MF_STRING, ID_HOST_BLINK, "&Blink");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(host), "&Host");

  return bar;
}

void UpdateMenuBar(HMENU bar, bool attached, bool blink, int strips, int refreshMs) {
  ModifyMenuA(bar, ID_SURFACE_ATTACH, MF_BYCOMMAND | MF_STRING, ID_SURFACE_ATTACH, attached ? "&Detach" : "&Attach");
  EnableMenuItem(bar, ID_SURFACE_PROPERTIES, MF_BYCOMMAND | (attached ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(bar, ID_HOST_BLINK, MF_BYCOMMAND | (blink ? MF_CHECKED : MF_UNCHECKED));
  for (int i = 0; i < static_cast<int>(std::size(kStripCounts)); ++i)
    CheckMenuItem(bar, ID_STRIPS_FIRST + i, MF_BYCOMMAND | (kStripCounts[i] == strips ? MF_CHECKED : MF_UNCHECKED));
  for (int i = 0; i < static_cast<int>(std::size(kRefreshPeriods)); ++i)
    CheckMenuItem(bar, ID_REFRESH_FIRST + i,
                  MF_BYCOMMAND | (kRefreshPeriods[i] == refreshMs ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace sim
