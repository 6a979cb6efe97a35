// What the installer tests read back, always in a named registry view.
//   installer_probe rows-present 64|32 MODULE_PATH   every row of the plug-in's table holds its value
//   installer_probe rows-absent 64|32 [PREFIX]       no row is left (of the keys below PREFIX)
//   installer_probe discover                         every surface in the host's list is created
//                                                    through COM, as a host of this bitness finds it
// Built for both bitnesses: Wine's 64-bit programs do not find the keys that
// both views share (the host's list) through KEY_WOW64_32KEY, so the 32-bit
// view is read by the 32-bit build.
//   installer_probe hold MODULE SECONDS              keeps MODULE loaded, as a running host does
//   installer_probe quiet-uninstall 64|32 ENTRY      runs the QuietUninstallString of the list entry
//                                                    ENTRY as a deployment tool does (the command line
//                                                    as it is, waiting) and exits with its exit code
// Exit code 0 when the statement holds; otherwise each difference is printed.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host_interfaces.h"
#include "host_registry.h"
#include "registry_rows.h"

namespace {

REGSAM View(const char* name) { return std::strcmp(name, "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

constexpr REGSAM OWN_VIEW = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// The row's value, or false when the key or the value is missing.
bool ReadRow(REGSAM view, const RegistryRow& row, std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, row.key, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return false;
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = REG_NONE;
  const LONG read = RegQueryValueExA(key, row.valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_SZ) return false;
  value = buffer;
  return true;
}

const char* Name(const RegistryRow& row) { return row.valueName != nullptr ? row.valueName : "(default)"; }

int RowsPresent(REGSAM view, const char* modulePath) {
  int wrong = 0;
  for (const RegistryRow& row : REGISTRY_ROWS) {
    const bool isPath = std::strcmp(row.value, REGISTRY_MODULE_PATH) == 0;
    const char* expected = isPath ? modulePath : row.value;
    std::string value;
    if (!ReadRow(view, row, value)) {
      std::printf("missing: HKCR\\%s %s\n", row.key, Name(row));
      ++wrong;
    } else if (isPath ? _stricmp(value.c_str(), expected) != 0 : value != expected) {
      std::printf("HKCR\\%s %s = \"%s\", expected \"%s\"\n", row.key, Name(row), value.c_str(), expected);
      ++wrong;
    }
  }
  return wrong == 0 ? 0 : 1;
}

int RowsAbsent(REGSAM view, const char* prefix) {
  int left = 0;
  for (const RegistryRow& row : REGISTRY_ROWS) {
    if (std::strncmp(row.key, prefix, std::strlen(prefix)) != 0) continue;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, row.key, 0, KEY_QUERY_VALUE | view, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      std::printf("still there: HKCR\\%s\n", row.key);
      ++left;
    }
  }
  return left == 0 ? 0 : 1;
}

int Discover() {
  HKEY list = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY, 0, KEY_READ | OWN_VIEW, &list) != ERROR_SUCCESS) {
    std::printf("no HKCR\\%s\n", HOST_SURFACES_KEY);
    return 1;
  }
  CoInitialize(nullptr);
  int created = 0, failed = 0;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    wchar_t wide[256];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 256);
    CLSID clsid;
    IControlSurface* surface = nullptr;
    HRESULT hr = CLSIDFromString(wide, &clsid);
    if (SUCCEEDED(hr)) {
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IControlSurface,
                            reinterpret_cast<void**>(&surface));
    }
    if (SUCCEEDED(hr) && surface != nullptr) {
      std::printf("created %s\n", name);
      surface->Release();
      ++created;
    } else {
      std::printf("%s: not created, 0x%08lx\n", name, static_cast<unsigned long>(hr));
      ++failed;
    }
  }
  RegCloseKey(list);
  CoUninitialize();
  return created > 0 && failed == 0 ? 0 : 1;
}

}  // namespace

int Hold(const char* module, const char* seconds) {
  HMODULE loaded = LoadLibraryA(module);
  if (loaded == nullptr) {
    std::printf("%s does not load\n", module);
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::atoi(seconds)) * 1000);
  FreeLibrary(loaded);
  return 0;
}

int QuietUninstall(REGSAM view, const char* entry) {
  const std::string path = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + entry;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    std::printf("no list entry %s\n", entry);
    return 1;
  }
  char command[2048] = {};
  DWORD size = sizeof command - 1;
  DWORD type = REG_NONE;
  const LONG read =
      RegQueryValueExA(key, "QuietUninstallString", nullptr, &type, reinterpret_cast<BYTE*>(command), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_SZ) {
    std::printf("%s has no QuietUninstallString\n", entry);
    return 1;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("%s does not start: %lu\n", command, GetLastError());
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("%s: exit code %lu\n", command, code);
  return static_cast<int>(code);
}

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "rows-present") == 0) return RowsPresent(View(argv[2]), argv[3]);
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "rows-absent") == 0) {
    return RowsAbsent(View(argv[2]), argc == 4 ? argv[3] : "");
  }
  if (argc == 2 && std::strcmp(argv[1], "discover") == 0) return Discover();
  if (argc == 4 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "quiet-uninstall") == 0) return QuietUninstall(View(argv[2]), argv[3]);
  std::fprintf(stderr,
               "usage: installer_probe rows-present 64|32 MODULE | rows-absent 64|32 [PREFIX] | discover | hold MODULE "
               "SECONDS | quiet-uninstall 64|32 ENTRY\n");
  return 2;
}
