// The DLL entry point and the four exports (named in Tavrel.def).
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include "class_factory.h"
#include "module.h"
#include "registration.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    theApp.m_hInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) { return GetClassObject(clsid, riid, ppv); }

STDAPI DllRegisterServer() { return RegisterServer(SystemRegistry(), HKEY_CLASSES_ROOT); }

STDAPI DllUnregisterServer() { return UnregisterServer(SystemRegistry(), HKEY_CLASSES_ROOT); }
