#include "window/menus.h"

#include <iterator>
#include <string>

namespace sim {

HMENU BuildMenuBar(const PortNames& ports) {
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

  // The system's MIDI ports; with none at all (Wine without a sound system)
  // the menu says so and the window goes on without them.
  HMENU portMenu = CreatePopupMenu();
  const auto addPorts = [&](const char* caption, UINT none, UINT first, const std::vector<std::string>& names) {
    HMENU list = CreatePopupMenu();
    AppendMenuA(list, MF_STRING | MF_CHECKED, none, "None");
    for (size_t i = 0; i < names.size() && first + i < none + (ID_PORT_OUT_NONE - ID_PORT_IN_NONE); ++i)
      AppendMenuA(list, MF_STRING, first + static_cast<UINT>(i), names[i].c_str());
    if (names.empty()) AppendMenuA(list, MF_STRING | MF_GRAYED, 0, "(no MIDI ports on this system)");
    AppendMenuA(portMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(list), caption);
  };
  addPorts("&Input", ID_PORT_IN_NONE, ID_PORT_IN_FIRST, ports.inputs);
  addPorts("&Output", ID_PORT_OUT_NONE, ID_PORT_OUT_FIRST, ports.outputs);
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(portMenu), "&Ports");
  return bar;
}

void CheckPorts(HMENU bar, int input, int output) {
  for (UINT id = ID_PORT_IN_NONE; id <= ID_PORT_LAST; ++id) {
    const bool isInput = id < ID_PORT_OUT_NONE;
    const UINT none = isInput ? ID_PORT_IN_NONE : ID_PORT_OUT_NONE;
    const int open = isInput ? input : output;
    const bool on = open < 0 ? id == none : id == none + 1 + static_cast<UINT>(open);
    CheckMenuItem(bar, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
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
