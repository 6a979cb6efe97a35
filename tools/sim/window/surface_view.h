// The surface in the window: the picture library's drawing of the hardware's
// state, rasterised into a DIB and scaled into a child window; clicks, drags
// and wheel turns hit-tested against the same layout table and turned into
// the gestures a script would make.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "language/script.h"
#include "picture/raster.h"
#include "picture/snapshot.h"
#include "picture/surface_layout.h"
#include "window/window_object.h"

namespace sim {

class Hardware;

class SurfaceView {
 public:
  using Gesture = std::function<void(const Step&)>;
  SurfaceView(Hardware& hardware, Gesture gesture) : m_hardware(hardware), m_gesture(std::move(gesture)) {}

  HWND Create(HWND parent, int x, int y, double scale);
  // Reads the hardware and redraws when anything it shows changed.
  void Update();

  // The point in the child window that shows a layout point (tests aim with it).
  POINT ToClient(int layoutX, int layoutY) const;
  HWND Handle() const { return m_window; }
  // The drawn colour at a layout point, from the DIB on screen.
  Colour Drawn(int layoutX, int layoutY) const;

 private:
  template <typename Object>
  friend LRESULT CALLBACK ObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Press(const LayoutRow& row, StepKind kind);
  void Move(const LayoutRow& row, int value);
  const LayoutRow* RowAt(LPARAM clientPoint) const;

  Hardware& m_hardware;
  Gesture m_gesture;
  HWND m_window = nullptr;
  double m_scale = 1.0;
  SurfaceState m_shown{};
  bool m_drawn = false;
  Raster m_raster;
  std::vector<uint32_t> m_pixels;  // the surface part of the raster as 32-bit BGR, rows top first
  const LayoutRow* m_dragging = nullptr;
  const LayoutRow* m_holding = nullptr;
};

}  // namespace sim
