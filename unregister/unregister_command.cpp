#include "unregister_command.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "host_registry.h"

namespace {

constexpr std::string_view TOOL_AND_SWITCHES = "\\SYSTEM32\\regsvr32.exe /u /s \"";
constexpr std::string_view TOOL_AND_UNREGISTER_SWITCH = "\\SYSTEM32\\regsvr32.exe /u \".\\";

// Joins parts into out with a terminating zero, or leaves out empty and
// answers false when they do not fit.
bool JoinInto(std::span<char> out, std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  if (out.empty()) return false;
  if (total >= out.size()) {
    out[0] = '\0';
    return false;
  }
  char* cursor = out.data();
  for (std::string_view part : parts) cursor = std::copy(part.begin(), part.end(), cursor);
  *cursor = '\0';
  return true;
}

}  // namespace

std::optional<std::string_view> WindowsDirectoryFromAnswer(const char* buffer, unsigned answer) {
  if (buffer == nullptr || answer == 0 || answer >= WINDOWS_DIR_ROOM) return std::nullopt;
  return std::string_view(buffer, answer);
}

std::optional<std::string_view> InstallDirectoryFromValue(RegistryValueKind kind, std::span<char> buffer,
                                                          std::size_t bytesRead) {
  if (kind != RegistryValueKind::Text || bytesRead > buffer.size()) return std::nullopt;
  const char* end = std::find(buffer.data(), buffer.data() + bytesRead, '\0');
  std::size_t length = static_cast<std::size_t>(end - buffer.data());
  if (length == buffer.size()) return std::nullopt;  // no room left for the terminator
  buffer[length] = '\0';
  std::string_view text(buffer.data(), length);
  if (text.empty() || text.find('"') != std::string_view::npos) return std::nullopt;
  return text;
}

bool BuildQuietUnregisterCommand(std::span<char> out, std::string_view windowsDir, std::string_view installDir) {
  if (installDir.empty() || installDir.find('"') != std::string_view::npos) {
    if (!out.empty()) out[0] = '\0';
    return false;
  }
  return JoinInto(out,
                  {windowsDir, TOOL_AND_SWITCHES, installDir, "\\", PLUGIN_FOLDER_NAME, "\\", PLUGIN_FILE_NAME, "\""});
}

bool BuildUnregisterCommand(std::span<char> out, std::string_view windowsDir) {
  return JoinInto(out, {windowsDir, TOOL_AND_UNREGISTER_SWITCH, PLUGIN_FILE_NAME, "\""});
}
