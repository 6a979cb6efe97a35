// The real registry behind the registration seam.
#include "registry_calls.h"

#include "module.h"
#include "registry_view.h"

LONG RegistryCalls::CreateKey(HKEY root, const char* path, HKEY* key) {
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key, nullptr);
}

LONG RegistryCalls::SetString(HKEY key, const char* name, const char* text) {
  const DWORD size = static_cast<DWORD>(lstrlenA(text) + 1);
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

LONG RegistryCalls::OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
  return RegOpenKeyExA(root, path, 0, access, key);
}

LONG RegistryCalls::SubkeyName(HKEY key, DWORD index, char* name, DWORD size) {
  return RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG RegistryCalls::ValueName(HKEY key, DWORD index, char* name, DWORD size) {
  return RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG RegistryCalls::DeleteValue(HKEY key, const char* name) { return RegDeleteValueA(key, name); }

LONG RegistryCalls::DeleteKey(HKEY root, const char* path, REGSAM view) { return RegDeleteKeyExA(root, path, view, 0); }

REGSAM RegistryCalls::OtherView() { return OtherRegistryView(); }

bool RegistryCalls::ServerPath(char* buffer, DWORD size) { return GetModulePath(theApp.Instance(), buffer, size); }

RegistryCalls& SystemRegistry() {
  static RegistryCalls s_registry;
  return s_registry;
}
