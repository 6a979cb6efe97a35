// The module itself: its application object (instance handle and file
// name) and the server lock count that IClassFactory::LockServer moves.
#pragma once

#include <windows.h>

#include "app.h"

// Server locks taken through IClassFactory::LockServer; may go negative if a
// client unlocks more often than it locked.
extern LONG volatile g_lockCount;

// The module's application object: it stands for the module and keeps the
// instance handle that the loader gave DllMain (m_hInstance). It runs nothing
// of its own; the host drives the module through COM.
class CTavrelApp : public CWinApp {
 public:
  // The handle DllMain received, or, without it (a test linking the server
  // code statically), the module that holds this code.
  HINSTANCE Instance() const;
};

extern CTavrelApp theApp;

// The full file name of `module` in `buffer`. False when the call fails or
// the name does not fit (a full buffer means it was cut short): a server
// path is never registered truncated.
bool GetModulePath(HMODULE module, char* buffer, DWORD size);

// True while anything of this module is alive or locked: surface objects,
// property pages, page windows left behind, or a nonzero lock count.
bool ModuleInUse();
