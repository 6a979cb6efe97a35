#include "picture/surface_layout.h"

#include <algorithm>
#include <cstdio>

#include "midi_map.h"

namespace sim {
namespace {

constexpr int FADER_CAP_H = 18;

// Copies as much of `text` as fits, always terminated: names and labels are
// short by design, and a longer one is cut rather than overrun.
template <size_t N>
void CopyText(char (&out)[N], const char* text) {
  size_t n = 0;
  for (; n + 1 < N && text[n] != '\0'; ++n) out[n] = text[n];
  out[n] = '\0';
}

LayoutRow Place(const Control& control, int position) {
  LayoutRow row{};
  const auto offset = static_cast<uint8_t>(position);
  row.kind = control.drawn;
  row.index = control.perStrip ? position : control.index;
  if (control.perStrip) {
    std::snprintf(row.name, sizeof row.name, "%s %d", control.name, position);
  } else {
    CopyText(row.name, control.name);
    CopyText(row.label, control.caption);
  }
  row.rect = PlaceOf(control, position);
  if (control.status != 0) row.input = {control.status, static_cast<uint8_t>(control.controller + offset)};
  if (control.light.Present())
    row.light = {control.light.status, static_cast<uint8_t>(control.light.controller + offset)};
  row.sharesLight = control.sharesLight;
  row.control = &control;
  row.position = position;
  return row;
}

std::vector<LayoutRow> BuildLayout() {
  std::vector<LayoutRow> rows;
  for (const Control& control : Controls())
    for (int p = 0; p < (control.perStrip ? midi::STRIPS_PER_BANK : 1); ++p) rows.push_back(Place(control, p));
  return rows;
}

const LayoutRow* Find(const char* name, bool needsLight) {
  int position = 0;
  const Control* control = name == nullptr ? nullptr : FindNamed(name, needsLight, &position);
  return RowFor(control, position);
}

}  // namespace

const std::vector<LayoutRow>& SurfaceLayout() {
  static const std::vector<LayoutRow> rows = BuildLayout();
  return rows;
}

const LayoutRow* HitTest(int x, int y) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.rect.Contains(x, y)) return &row;
  return nullptr;
}

const LayoutRow* RowFor(const Control* control, int position) {
  if (control == nullptr) return nullptr;
  for (const LayoutRow& row : SurfaceLayout())
    if (row.control == control && row.position == position) return &row;
  return nullptr;
}

const LayoutRow* FindRow(const char* name) { return Find(name, false); }
const LayoutRow* FindLightRow(const char* name) { return Find(name, true); }

const LayoutRow* FindByInput(Address input) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.input.Present() && row.input == input) return &row;
  return nullptr;
}

const LayoutRow* FindByLight(Address light) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.light.Present() && row.light == light) return &row;
  return nullptr;
}

// The cap's centre runs from the bottom of the travel (0) to the top (127).
Rect FaderCap(const LayoutRow& fader, int value) {
  const int v = std::clamp(value, 0, 127);
  const int travel = fader.rect.h - FADER_CAP_H;
  const int top = fader.rect.y + travel - (travel * v + 63) / 127;
  return {fader.rect.x, top, fader.rect.w, FADER_CAP_H};
}

int FaderValueAt(const LayoutRow& fader, int y) {
  const int travel = fader.rect.h - FADER_CAP_H;
  const int fromBottom = fader.rect.y + fader.rect.h - FADER_CAP_H / 2 - y;
  return std::clamp((fromBottom * 127 + travel / 2) / travel, 0, 127);
}

}  // namespace sim
