#include "window/ports_menu.h"

#include <cstdlib>

#include "window/menus.h"

namespace sim {
namespace {

constexpr UINT kPortsPerList = ID_PORT_OUT_NONE - ID_PORT_IN_NONE - 1;

}  // namespace

void PortsMenu::Append(HMENU bar) {
  m_bar = bar;
  HMENU menu = CreatePopupMenu();
  const auto addPorts = [&](const char* caption, UINT none, const std::vector<std::string>& names) {
    HMENU list = CreatePopupMenu();
    AppendMenuA(list, MF_STRING | MF_CHECKED, none, "None");
    for (size_t i = 0; i < names.size() && i < kPortsPerList; ++i)
      AppendMenuA(list, MF_STRING, none + 1 + static_cast<UINT>(i), names[i].c_str());
    if (names.empty()) AppendMenuA(list, MF_STRING | MF_GRAYED, 0, "(no MIDI ports on this system)");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(list), caption);
  };
  addPorts("&Input", ID_PORT_IN_NONE, m_names.inputs);
  addPorts("&Output", ID_PORT_OUT_NONE, m_names.outputs);
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "&Ports");
  Sync();
}

bool PortsMenu::Owns(UINT id) { return id >= ID_PORT_IN_NONE && id <= ID_PORT_LAST; }

bool PortsMenu::Choose(UINT id, std::string* error) {
  const bool input = id < ID_PORT_OUT_NONE;
  const UINT none = input ? ID_PORT_IN_NONE : ID_PORT_OUT_NONE;
  const std::string name = id == none ? std::string() : std::to_string(id - none - 1);
  const bool done = m_ports.ChoosePort(input, name, error);
  Sync();
  return done;
}

UINT PortsMenu::Item(bool input, const std::string& nameOrIndex) const {
  const UINT none = input ? ID_PORT_IN_NONE : ID_PORT_OUT_NONE;
  if (nameOrIndex.empty()) return none;
  const std::vector<std::string>& names = input ? m_names.inputs : m_names.outputs;
  for (size_t i = 0; i < names.size() && i < kPortsPerList; ++i)
    if (names[i] == nameOrIndex) return none + 1 + static_cast<UINT>(i);
  char* end = nullptr;
  const unsigned long index = std::strtoul(nameOrIndex.c_str(), &end, 10);
  if (*end == '\0' && index < names.size() && index < kPortsPerList) return none + 1 + static_cast<UINT>(index);
  return 0;
}

void PortsMenu::Sync() {
  if (m_bar == nullptr) return;
  for (bool input : {true, false}) {
    const UINT none = input ? ID_PORT_IN_NONE : ID_PORT_OUT_NONE;
    const UINT open = Item(input, m_ports.OpenPort(input));
    for (UINT id = none; id <= none + kPortsPerList; ++id)
      CheckMenuItem(m_bar, id, MF_BYCOMMAND | (id == (open ? open : none) ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool PortsMenu::Ticked(UINT id) const {
  return m_bar != nullptr && (GetMenuState(m_bar, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

}  // namespace sim
