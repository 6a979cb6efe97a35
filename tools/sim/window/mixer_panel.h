// The host's console for the strips of the current bank: volume, pan, mute,
// solo, record arm and automation arm, in a list view. A click on a switch
// flips it; a click on a level opens an edit field over the cell (Return or
// leaving it sets the level, Escape keeps the old one). Beside it, a line of
// the transport: its state, the blink, the now time and the markers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "model/host_model.h"

namespace sim {

class MixerPanel {
 public:
  explicit MixerPanel(HostModel& host) : m_host(host) {}
  void Create(HWND parent, int x, int y, int w, int h);
  // Shows the strips of `bank` (32 strips each) and the transport as the host holds them.
  void Update(int bank);
  // The list view, and the centre of a cell in it (tests click there):
  // row 0..31 of the bank, column 1 volume, 2 pan, 3..6 mute, solo, arm, auto.
  HWND List() const { return m_list; }
  POINT CellCentre(int row, int column) const;
  // WM_NOTIFY from the list view; true when handled.
  bool OnNotify(NMHDR* header);

 private:
  static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
  void BeginEdit(int row, int column);
  void EndEdit(bool keep);

  HostModel& m_host;
  HWND m_list = nullptr;
  HWND m_transport = nullptr;
  HWND m_edit = nullptr;
  WNDPROC m_editProc = nullptr;
  int m_editStrip = -1, m_editColumn = -1;
  int m_bank = 0;
  std::vector<std::string> m_cells;  // what the list shows, so that only changes are written
  std::string m_transportText;
};

}  // namespace sim
