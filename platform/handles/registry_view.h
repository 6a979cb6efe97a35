// The two registry views of 64-bit Windows. A 64-bit and a 32-bit program
// each see their own HKEY_CLASSES_ROOT\CLSID and HKEY_LOCAL_MACHINE\SOFTWARE;
// a key of the other view is opened by adding this flag to the access asked
// for. Which other keys the views share differs between Windows and Wine, so
// code that looks at the other view names it explicitly and never assumes a
// key is shared or kept apart.
#pragma once

#include <windows.h>

// KEY_WOW64_32KEY in a 64-bit module; KEY_WOW64_64KEY in a 32-bit module on
// 64-bit Windows; 0 on 32-bit Windows, which has one view only.
inline REGSAM OtherRegistryView() {
#ifdef _WIN64
  return KEY_WOW64_32KEY;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
#endif
}
