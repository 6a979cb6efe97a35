// The C++ object behind a window of ours: handed over in CreateWindowEx's
// last argument, kept in the window's user data from WM_NCCREATE on.
#pragma once

#include <windows.h>

namespace sim {

template <typename Object>
Object* WindowObject(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  return reinterpret_cast<Object*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The window procedure of a window of ours: each message goes to the
// object's Handle once the object knows its window (CreateWindowEx returned),
// to the default procedure before that.
template <typename Object>
LRESULT CALLBACK ObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Object* object = WindowObject<Object>(window, message, lParam);
  if (object == nullptr || object->Handle() == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return object->Handle(message, wParam, lParam);
}

}  // namespace sim
