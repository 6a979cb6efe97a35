// The few system calls that registration makes, behind one seam: the real
// registry by default, and in tests a subclass that makes single calls fail
// (a value that cannot be written, a key that refuses deletion, a module path
// that cannot be had).
#pragma once

#include <windows.h>

class RegistryCalls {
 public:
  virtual ~RegistryCalls() = default;

  virtual LONG CreateKey(HKEY root, const char* path, HKEY* key);
  virtual LONG SetString(HKEY key, const char* name, const char* text);  // name null: the default value
  // `access` may name a registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
  virtual LONG OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key);
  // The name of the subkey at `index` (names are at most 255 characters).
  virtual LONG SubkeyName(HKEY key, DWORD index, char* name, DWORD size);
  // The name of the value at `index`, "" for the default value (names are at
  // most 16383 characters).
  virtual LONG ValueName(HKEY key, DWORD index, char* name, DWORD size);
  virtual LONG DeleteValue(HKEY key, const char* name);
  // Deletes a key without subkeys in the registry view `view` names (0: this
  // module's own).
  virtual LONG DeleteKey(HKEY root, const char* path, REGSAM view);
  // The flag that opens a key in the other registry view of a 64-bit
  // Windows, or 0 where there is no other view.
  virtual REGSAM OtherView();

  // The full path of the module being registered; false if it cannot be had whole.
  virtual bool ServerPath(char* buffer, DWORD size);
};

// The real registry, the real module.
RegistryCalls& SystemRegistry();
