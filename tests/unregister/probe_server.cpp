// A stand-in for the plug-in file in the unregistration tests: a DLL with the
// two registration exports that records, per copy (its full path), whether it
// is registered and how many times it has been unregistered. The tests copy
// it to Tavrel.dll where the programs expect the plug-in.
#include <windows.h>

#include "probe_registry.h"

namespace {

HMODULE g_module = nullptr;

bool ModulePath(char (&path)[MAX_PATH]) {
  char loaded[MAX_PATH];
  DWORD length = GetModuleFileNameA(g_module, loaded, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  // The long form, so that the tests find the same name however it was loaded.
  length = GetLongPathNameA(loaded, path, MAX_PATH);
  return length > 0 && length < MAX_PATH;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH];
  if (!ModulePath(path)) return E_FAIL;
  return SetProbeRegistered(path, true) ? S_OK : E_FAIL;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  char path[MAX_PATH];
  if (!ModulePath(path)) return E_FAIL;
  SetProbeRegistered(path, false);
  SetProbeUnregisterCount(path, ProbeUnregisterCount(path) + 1);
  return S_OK;
}

}  // extern "C"
