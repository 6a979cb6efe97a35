// A window's Ports menu: the system's MIDI inputs and outputs as listed when
// the window was made, each list with None, ticked as the session's ports
// stand. Choosing an item opens that port, or closes it (None). A port that
// fails while open loses its tick at the next Sync, back to None; choosing it
// again opens it again. With no MIDI at all the menu says so.
#pragma once

#include <windows.h>

#include <string>

#include "run/midi_ports.h"

namespace sim {

class PortsMenu {
 public:
  explicit PortsMenu(PortChoice& ports) : m_ports(ports), m_names(ListPorts()) {}
  // Appends the Ports popup to the window's menu bar.
  void Append(HMENU bar);
  static bool Owns(UINT id);
  // Opens or closes what the item names; false with the reason.
  bool Choose(UINT id, std::string* error);
  // The ticks as the ports stand.
  void Sync();
  // The item of a port by its name or index (empty: None); 0 when the menu
  // lists no such port.
  UINT Item(bool input, const std::string& nameOrIndex) const;
  bool Ticked(UINT id) const;

 private:
  PortChoice& m_ports;
  PortNames m_names;
  HMENU m_bar = nullptr;
};

}  // namespace sim
