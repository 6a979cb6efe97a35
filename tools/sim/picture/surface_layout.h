// The surface laid out: one row per control or light at each window
// position, made from the control table, with the name a script or a window
// test uses for it ("mute 3", "F1", "pan"). The snapshot pictures, the
// window and its hit-testing of clicks read these rows.
#pragma once

#include <cstdint>
#include <vector>

#include "model/controls.h"

namespace sim {

struct LayoutRow {
  Kind kind;
  int index;               // window position, F-key number, knob or arrow index (see Kind)
  char name[16];           // "mute 3", "F1", "store", "left", "A"
  char label[8];           // what is printed on or beside it on the surface
  Rect rect;               // the control (or the light, for lights without a control)
  Address input;           // what the control sends; absent for lights
  Address light;           // the light it shows; absent for controls without one
  bool sharesLight;        // the light's address is also another row's (the store key's light)
  const Control* control;  // its row of the control table
  int position;            // window position of a strip row, else 0
};

// Every control and light of the surface, in drawing order.
const std::vector<LayoutRow>& SurfaceLayout();

// The row under a point, or null; lights without a control are rows too (no
// input). Rows never overlap, so at most one matches.
const LayoutRow* HitTest(int x, int y);

// The row a name stands for: a control's name or alias, with the position
// for a strip row ("mute 3", "knob-strip 3", "F1", "send A"); a row's own
// name wins over another's alias. Null when there is none.
const LayoutRow* FindRow(const char* name);
// The same among rows with a light ("play" is the play lamp, "up" the arrow).
const LayoutRow* FindLightRow(const char* name);
// The row of a control of the table at a window position (0 for a row of its own).
const LayoutRow* RowFor(const Control* control, int position);

// The row that sends from, or lights at, an address; null when none does.
// Several rows may light at one address (the store key's light): the first wins.
const LayoutRow* FindByInput(Address input);
const LayoutRow* FindByLight(Address light);

// A fader's cap at value 0..127 (values above clamp), and the value a point
// at height y on the fader's travel stands for (the window drags with it).
Rect FaderCap(const LayoutRow& fader, int value);
int FaderValueAt(const LayoutRow& fader, int y);

}  // namespace sim
