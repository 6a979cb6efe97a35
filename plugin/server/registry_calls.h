// The few system calls that registration makes, behind one seam: the real
// registry by default, and in tests a subclass that makes single calls fail
// (a value that cannot be written, a key that refuses deletion, a class id
// that cannot be turned into text).
#pragma once

#include <windows.h>

#include <cstddef>

// Room for the braced text form of a CLSID and its terminator (39 bytes).
inline constexpr size_t CLSID_TEXT_SIZE = 128;

class RegistryCalls {
 public:
  virtual ~RegistryCalls() = default;

  virtual LONG CreateKey(HKEY root, const char* path, HKEY* key);
  virtual LONG SetString(HKEY key, const char* name, const char* text);  // name null: the default value
  virtual LONG OpenKey(HKEY root, const char* path, HKEY* key);
  // The name of the subkey at index 0 (names are at most 255 characters).
  virtual LONG FirstSubkey(HKEY key, char* name, DWORD size);
  virtual LONG DeleteKey(HKEY root, const char* path);
  virtual void CloseKey(HKEY key);

  // The braced text of a CLSID; false if it cannot be made.
  virtual bool ClsidText(REFCLSID clsid, char (&text)[CLSID_TEXT_SIZE]);
  // The full path of the module being registered; false if it cannot be had whole.
  virtual bool ServerPath(char* buffer, DWORD size);
};

// The real registry, the real module.
RegistryCalls& SystemRegistry();
