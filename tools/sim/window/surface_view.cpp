#include "window/surface_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/hardware.h"
#include "picture/picture.h"
#include "window/window_object.h"

namespace sim {
namespace {

constexpr char kClass[] = "TavrelSimSurface";
constexpr int kKnobStepPerNotch = 2;

// The control (and window position) a layout row sends as; null for a light.
const Control* ControlFor(const LayoutRow& row, int* position) {
  *position = row.position;
  return row.input.Present() ? row.control : nullptr;
}

}  // namespace

HWND SurfaceView::Create(HWND parent, int x, int y, double scale) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ObjectProc<SurfaceView>;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_HAND);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    registered = true;
  }
  m_scale = scale;
  const Rect bounds = SurfaceBounds();
  m_window = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, x, y, static_cast<int>(bounds.w * scale),
                             static_cast<int>(bounds.h * scale), parent, nullptr, GetModuleHandleA(nullptr), this);
  Update();
  return m_window;
}

void SurfaceView::Update() {
  const SurfaceState state = m_hardware.State();
  if (m_drawn && std::memcmp(&state, &m_shown, sizeof state) == 0) return;
  m_shown = state;
  m_drawn = true;
  m_raster = Rasterise(BuildPicture(state, HostSummary{}));
  const Rect bounds = SurfaceBounds();
  m_pixels.assign(static_cast<size_t>(bounds.w) * bounds.h, 0);
  for (int y = 0; y < bounds.h && y < m_raster.height; ++y)
    for (int x = 0; x < bounds.w && x < m_raster.width; ++x) {
      const uint8_t* p = &m_raster.rgb[(static_cast<size_t>(y) * m_raster.width + x) * 3];
      m_pixels[static_cast<size_t>(y) * bounds.w + x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
  if (m_window) InvalidateRect(m_window, nullptr, FALSE);
}

POINT SurfaceView::ToClient(int layoutX, int layoutY) const {
  return {static_cast<LONG>(layoutX * m_scale + 0.5), static_cast<LONG>(layoutY * m_scale + 0.5)};
}

Colour SurfaceView::Drawn(int layoutX, int layoutY) const {
  const Rect bounds = SurfaceBounds();
  if (!bounds.Contains(layoutX, layoutY) || m_pixels.empty()) return {};
  const uint32_t p = m_pixels[static_cast<size_t>(layoutY) * bounds.w + layoutX];
  return Colour{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
}

void SurfaceView::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_window, &ps);
  const Rect bounds = SurfaceBounds();
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = bounds.w;
  info.bmiHeader.biHeight = -bounds.h;  // rows top first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  RECT client;
  GetClientRect(m_window, &client);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, bounds.w, bounds.h, m_pixels.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
  EndPaint(m_window, &ps);
}

const LayoutRow* SurfaceView::RowAt(LPARAM clientPoint) const {
  const int x = static_cast<int>(GET_X_LPARAM(clientPoint) / m_scale);
  const int y = static_cast<int>(GET_Y_LPARAM(clientPoint) / m_scale);
  return HitTest(x, y);
}

void SurfaceView::Press(const LayoutRow& row, StepKind kind) {
  Step step;
  step.kind = kind;
  step.control = ControlFor(row, &step.position);
  if (!step.control) return;
  char text[48];
  std::snprintf(text, sizeof text, step.control->perStrip ? "%s %s %d" : "%s %s",
                kind == StepKind::Hold      ? "hold"
                : kind == StepKind::Release ? "release"
                                            : "press",
                step.control->name, step.position);
  step.text = text;
  m_gesture(step);
}

void SurfaceView::Move(const LayoutRow& row, int value) {
  Step step;
  step.kind = StepKind::Move;
  step.control = ControlFor(row, &step.position);
  if (!step.control) return;
  step.to = std::clamp(value, 0, 127);
  char text[48];
  if (row.kind == Kind::Fader)
    std::snprintf(text, sizeof text, "fader %d %d", step.position, step.to);
  else
    std::snprintf(text, sizeof text, "knob %s %d", step.control->name, step.to);
  step.text = text;
  m_gesture(step);
}

LRESULT SurfaceView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(m_window);
      const LayoutRow* row = RowAt(lParam);
      if (!row || !row->input.Present()) return 0;
      if (row->kind == Kind::Fader) {
        m_dragging = row;
        SetCapture(m_window);
        const int value = FaderValueAt(*row, static_cast<int>(GET_Y_LPARAM(lParam) / m_scale));
        if (value != m_hardware.FaderPosition(row->index)) Move(*row, value);  // a click on the travel jumps there
      } else if (row->kind == Kind::StoreKey) {
        m_holding = row;
        SetCapture(m_window);
        Press(*row, StepKind::Hold);
      } else if (row->kind != Kind::JogWheel && row->kind != Kind::SendKnob && row->kind != Kind::PanKnob) {
        Press(*row, StepKind::Press);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (m_dragging) {
        const int value = FaderValueAt(*m_dragging, static_cast<int>(GET_Y_LPARAM(lParam) / m_scale));
        if (value != m_hardware.FaderPosition(m_dragging->index)) Move(*m_dragging, value);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (m_holding) Press(*m_holding, StepKind::Release);
      m_dragging = m_holding = nullptr;
      if (message == WM_LBUTTONUP && GetCapture() == m_window) ReleaseCapture();
      return 0;
    case WM_MOUSEWHEEL: {
      POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(m_window, &p);
      const LayoutRow* row = RowAt(MAKELPARAM(p.x, p.y));
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      if (!row || notches == 0) return 0;
      if (row->kind == Kind::JogWheel) {
        Step step;
        step.kind = StepKind::Jog;
        step.amount = notches;
        step.text = "jog " + std::to_string(notches);
        m_gesture(step);
      } else if (row->kind == Kind::SendKnob || row->kind == Kind::PanKnob) {
        const SurfaceState state = m_hardware.State();
        const int now = row->kind == Kind::PanKnob ? state.panKnob : state.sendKnobs[row->index];
        Move(*row, now + notches * kKnobStepPerNotch);
      }
      return 0;
    }
    default:
      return DefWindowProcA(m_window, message, wParam, lParam);
  }
}

}  // namespace sim
