// What the host's window and the surface-alone window share: a top-level
// frame sized to hold the surface at the screen's width with panes below it,
// the message loop, and the timer tick that runs a window test.
#pragma once

#include <windows.h>

#include <memory>

#include "model/monitor.h"
#include "window/window_test.h"

namespace sim {

constexpr int kFrameGap = 6;         // between the frame's edge, the surface and the panes
constexpr UINT_PTR kFrameTimer = 1;  // the frame's timer: window-test steps and periodic updates

struct FrameSize {
  double scale;  // of the surface's picture, at most 1
  int surfaceW, surfaceH;
};

// Registers `className` for `proc` and makes the frame: the surface scaled to
// the screen's width, `panesH` below it, `object` handed to WM_NCCREATE.
// Null when the window cannot be made.
HWND CreateFrame(const char* className, WNDPROC proc, const char* title, HMENU menu, int panesH, void* object,
                 FrameSize* size);

// Shows the frame, routes the monitor's wake-ups to it and starts its timer.
void ShowFrame(HWND window, UINT periodMs);

// The messages both frames answer alike: the wheel turns what is under the
// pointer on the surface, WM_CLOSE destroys the frame, WM_DESTROY ends the
// loop. False for every other message.
bool HandleFrameMessage(HWND window, HWND surfaceView, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Pumps the thread's messages until WM_QUIT.
void RunMessageLoop();

// One timer tick of a window test, unless something else runs (`busy`):
// its next step, and once it is over its failure printed (`result` 1), the
// test ended and `window` closed.
void TickWindowTest(std::unique_ptr<WindowTest>& test, bool* busy, Monitor& monitor, HWND window, int* result);

}  // namespace sim
