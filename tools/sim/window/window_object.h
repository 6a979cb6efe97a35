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

}  // namespace sim
