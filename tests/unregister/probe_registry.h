// Where the probe DLL records its registration: values under
// HKEY_CURRENT_USER\Software\TavrelProbe named after the copy's full path.
// Shared by the probe and the tests that read it.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"

inline constexpr char PROBE_KEY[] = "Software\\TavrelProbe";

inline std::string ProbeCountName(const char* path) { return std::string(path) + "|unregistered"; }

inline CRegKey OpenProbeKey() {
  CRegKey key;
  RegCreateKeyExA(HKEY_CURRENT_USER, PROBE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
  return key;
}

inline bool SetProbeRegistered(const char* path, bool registered) {
  CRegKey key = OpenProbeKey();
  if (!key) return false;
  const DWORD one = 1;
  const LONG status =
      registered ? RegSetValueExA(key.Get(), path, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one)
                 : RegDeleteValueA(key.Get(), path);
  return status == ERROR_SUCCESS;
}

inline bool ProbeIsRegistered(const char* path) {
  DWORD value = 0, size = sizeof value;
  return RegGetValueA(HKEY_CURRENT_USER, PROBE_KEY, path, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

inline DWORD ProbeUnregisterCount(const char* path) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, PROBE_KEY, ProbeCountName(path).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

inline void SetProbeUnregisterCount(const char* path, DWORD count) {
  CRegKey key = OpenProbeKey();
  if (!key) return;
  RegSetValueExA(key.Get(), ProbeCountName(path).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                 sizeof count);
}
