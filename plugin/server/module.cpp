// The module's application object, the lock count and the unload rule.
#include "module.h"

#include "dialog.h"
#include "prop_page.h"
#include "tavrel.h"

LONG volatile g_lockCount = 0;
CTavrelApp theApp;

HINSTANCE CTavrelApp::Instance() const {
  if (m_hInstance != nullptr) return m_hInstance;
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&theApp), &self);
  return self;
}

bool GetModulePath(HMODULE module, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return false;
  const DWORD length = GetModuleFileNameA(module, buffer, size);
  if (length == 0 || length >= size) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

// A page that the host created but has not yet handed a surface object holds
// no surface reference, so pages are counted in their own right: unloading
// under a live page would crash the host's next call into it. A page window
// that outlived its page (released on a thread that could not destroy it)
// still runs the dialog procedure in this module until it is gone.
bool ModuleInUse() {
  return InterlockedCompareExchange(&g_objectCount, 0, 0) != 0 || InterlockedCompareExchange(&g_pageCount, 0, 0) != 0 ||
         InterlockedCompareExchange(&g_lockCount, 0, 0) != 0 || DialogWindowsLeftBehind() != 0;
}
