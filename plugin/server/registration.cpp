// Writing and removing the plug-in's registry keys.
#include "registration.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "class_ids.h"
#include "host_registry.h"

namespace {

constexpr size_t KEY_PATH_SIZE = 1024;
constexpr size_t SUBKEY_NAME_SIZE = 256;

// "prefix\{clsid}" into `path`; false if the class text cannot be had.
bool ClassKeyPath(RegistryCalls& registry, const char* prefix, REFCLSID clsid, char (&path)[KEY_PATH_SIZE]) {
  char text[CLSID_TEXT_SIZE];
  if (!registry.ClsidText(clsid, text)) return false;
  const int length = std::snprintf(path, sizeof path, "%s\\%s", prefix, text);
  return length > 0 && static_cast<size_t>(length) < sizeof path;
}

// A key name that names one definite key: not empty, no empty component.
// "CLSID\" or "\x" would otherwise reach far more than one class's keys.
bool IsWholeKeyName(const char* name) {
  if (name == nullptr || name[0] == '\0' || name[0] == '\\') return false;
  const size_t length = std::strlen(name);
  return name[length - 1] != '\\' && std::strstr(name, "\\\\") == nullptr;
}

bool IsGone(LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

}  // namespace

bool ClsidToAnsi(REFCLSID clsid, char (&text)[CLSID_TEXT_SIZE]) {
  text[0] = '\0';
  LPOLESTR wide = nullptr;
  if (FAILED(StringFromCLSID(clsid, &wide)) || wide == nullptr) return false;
  const size_t converted = std::wcstombs(text, wide, sizeof text);
  CoTaskMemFree(wide);
  if (converted == static_cast<size_t>(-1) || converted == 0 || converted >= sizeof text) {
    text[0] = '\0';
    return false;
  }
  return true;
}

bool SetKeyAndValue(RegistryCalls& registry, HKEY root, const char* key, const char* subkey, const char* valueName,
                    const char* text) {
  char path[KEY_PATH_SIZE];
  const int length = subkey != nullptr ? std::snprintf(path, sizeof path, "%s\\%s", key, subkey)
                                       : std::snprintf(path, sizeof path, "%s", key);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return false;
  HKEY opened = nullptr;
  if (registry.CreateKey(root, path, &opened) != ERROR_SUCCESS) return false;
  const bool written = text == nullptr || registry.SetString(opened, valueName, text) == ERROR_SUCCESS;
  registry.CloseKey(opened);
  return written;
}

bool RegisterClsid(RegistryCalls& registry, HKEY root, REFCLSID clsid, const char* description) {
  char modulePath[MAX_PATH];
  char classKey[KEY_PATH_SIZE];
  if (!registry.ServerPath(modulePath, sizeof modulePath)) return false;
  if (!ClassKeyPath(registry, "CLSID", clsid, classKey)) return false;
  const bool described = SetKeyAndValue(registry, root, classKey, nullptr, nullptr, description);
  const bool served = SetKeyAndValue(registry, root, classKey, "InprocServer32", nullptr, modulePath);
  return described && served;
}

bool DeleteKeyTree(RegistryCalls& registry, HKEY root, const char* name) {
  if (!IsWholeKeyName(name)) return false;
  HKEY key = nullptr;
  const LONG opened = registry.OpenKey(root, name, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened == ERROR_SUCCESS) {
    // Each pass deletes the subkey at index 0, so the next pass finds the
    // next one. A subkey that survives its deletion ends the walk.
    bool cleared = true;
    char subkey[SUBKEY_NAME_SIZE];
    char previous[SUBKEY_NAME_SIZE] = "";
    while (registry.FirstSubkey(key, subkey, sizeof subkey) == ERROR_SUCCESS) {
      if (std::strcmp(subkey, previous) == 0 || !DeleteKeyTree(registry, key, subkey)) {
        cleared = false;
        break;
      }
      std::memcpy(previous, subkey, sizeof previous);
    }
    registry.CloseKey(key);
    if (!cleared) return false;
  }
  return IsGone(registry.DeleteKey(root, name));
}

bool UnregisterClsid(RegistryCalls& registry, HKEY root, REFCLSID clsid) {
  char classKey[KEY_PATH_SIZE];
  return ClassKeyPath(registry, "CLSID", clsid, classKey) && DeleteKeyTree(registry, root, classKey);
}

HRESULT RegisterServer(RegistryCalls& registry, HKEY root) {
  bool ok = RegisterClsid(registry, root, CLSID_Tavrel, SURFACE_DESCRIPTION);
  ok = RegisterClsid(registry, root, CLSID_TavrelPropPage, PAGE_DESCRIPTION) && ok;
  char listed[KEY_PATH_SIZE];
  if (ClassKeyPath(registry, HOST_SURFACES_KEY, CLSID_Tavrel, listed)) {
    ok = SetKeyAndValue(registry, root, listed, nullptr, "Description", SURFACE_DESCRIPTION) && ok;
    ok = SetKeyAndValue(registry, root, listed, nullptr, "HelpFilePath", "") && ok;
  } else {
    ok = false;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer(RegistryCalls& registry, HKEY root) {
  bool ok = UnregisterClsid(registry, root, CLSID_Tavrel);
  ok = UnregisterClsid(registry, root, CLSID_TavrelPropPage) && ok;
  char listed[KEY_PATH_SIZE];
  ok = ClassKeyPath(registry, HOST_SURFACES_KEY, CLSID_Tavrel, listed) && DeleteKeyTree(registry, root, listed) && ok;
  return ok ? S_OK : SELFREG_E_CLASS;
}
