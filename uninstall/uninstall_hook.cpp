// Quillet.dll: the entry points the product's uninstaller calls. The hook
// reads where the host keeps its shared surfaces and has the system's
// registration tool unregister the plug-in there, silently; it tells the user
// only when that could not even be started.
#include <windows.h>

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "handles.h"
#include "host_registry.h"
#include "registry_view.h"
#include "unregister_command.h"

namespace {

constexpr char UNREGISTER_FAILED_TEXT[] = "Error in Unregistering Tavrel.dll.  File \nMust be Unregistered manually.";

// WinExec answers 31 or less when it could not start the program.
constexpr UINT WINEXEC_LAST_ERROR_CODE = 31;

constexpr LONG COMMAND_STARTED = 10;
constexpr LONG COMMAND_NOT_STARTED = -10;

// A REG_EXPAND_SZ value may name the folder through environment variables;
// the registration tool would take "%...%" literally, so expand it here.
std::optional<std::string_view> ExpandInstallDirectory(std::string_view raw, std::span<char> expanded) {
  DWORD needed = ExpandEnvironmentStringsA(raw.data(), expanded.data(), static_cast<DWORD>(expanded.size()));
  if (needed == 0 || needed > expanded.size()) return std::nullopt;
  return InstallDirectoryFromValue(RegistryValueKind::Text, expanded, needed);
}

// Reads the shared-surfaces directory from the registry view `view` names
// into buffer (or, for a value to be expanded, into expanded). Reading needs
// no more than query rights, so an uninstaller without full access to the key
// still works.
std::optional<std::string_view> ReadInstallDirectory(REGSAM view, std::span<char> buffer, std::span<char> expanded) {
  CRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_SURFACES_KEY, 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(buffer.size());
  if (RegQueryValueExA(key.Get(), SHARED_SURFACES_DIR_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const RegistryValueKind kind =
      (type == REG_SZ || type == REG_EXPAND_SZ) ? RegistryValueKind::Text : RegistryValueKind::Other;
  std::optional<std::string_view> text = InstallDirectoryFromValue(kind, buffer, size);
  if (text && type == REG_EXPAND_SZ) return ExpandInstallDirectory(*text, expanded);
  return text;
}

bool StartQuietUnregistration() {
  // On 64-bit Windows, HKEY_LOCAL_MACHINE\SOFTWARE is kept apart for 32-bit and
  // 64-bit programs, and the host's installer may have been either: this
  // hook's own view first, then the other one.
  std::array<char, INSTALL_DIR_BUFFER_SIZE> rawDir{};
  std::array<char, INSTALL_DIR_BUFFER_SIZE> expandedDir{};
  std::optional<std::string_view> installDir = ReadInstallDirectory(0, rawDir, expandedDir);
  if (const REGSAM other = OtherRegistryView(); !installDir && other != 0) {
    installDir = ReadInstallDirectory(other, rawDir, expandedDir);
  }
  if (!installDir) return false;

  std::array<char, WINDOWS_DIR_ROOM> windowsDir{};
  std::optional<std::string_view> windows =
      WindowsDirectoryFromAnswer(windowsDir.data(), GetWindowsDirectoryA(windowsDir.data(), WINDOWS_DIR_ROOM));
  if (!windows) return false;

  std::array<char, COMMAND_BUFFER_SIZE> command{};
  if (!BuildQuietUnregisterCommand(command, *windows, *installDir)) return false;
  return WinExec(command.data(), SW_SHOW) > WINEXEC_LAST_ERROR_CODE;
}

}  // namespace

// The uninstaller's arguments beyond the ones used are not read. On x86 these
// are stdcall with three 4-byte arguments; quillet.def exports them undecorated.
extern "C" {

LONG WINAPI Quillet(void* /*unused*/, void* /*unused*/, const char* commandLine) {
  if (commandLine == nullptr) return COMMAND_NOT_STARTED;
  return WinExec(commandLine, SW_SHOW) > WINEXEC_LAST_ERROR_CODE ? COMMAND_STARTED : COMMAND_NOT_STARTED;
}

LONG WINAPI UninstInitialize(HWND ownerWindow, void* /*unused*/, void* /*unused*/) {
  if (!StartQuietUnregistration()) MessageBoxA(ownerWindow, UNREGISTER_FAILED_TEXT, nullptr, MB_OK);
  return 0;
}

LONG WINAPI UninstUnInitialize(void* /*unused*/, void* /*unused*/, void* /*unused*/) { return 0; }

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) { return TRUE; }

}  // extern "C"
