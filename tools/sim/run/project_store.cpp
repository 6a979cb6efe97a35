#include "run/project_store.h"

#include <windows.h>

#include "run/surface_settings.h"

namespace sim {
namespace {

std::string Why(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "it is held by another program";
    case ERROR_ACCESS_DENIED:
      return "access is denied";
    default:
      return "error " + std::to_string(code);
  }
}

// The whole file, or false with the reason it cannot be had.
bool ReadWhole(const std::string& path, std::string* text, std::string* why) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *why = Why(GetLastError());
    return false;
  }
  text->clear();
  char buffer[4096];
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0) text->append(buffer, read);
  if (!ok) *why = Why(GetLastError());
  CloseHandle(file);
  return ok;
}

}  // namespace

ProjectRead ReadProjectFile(const std::string& path, const std::string& surfaceClsid, Project* project,
                            std::string* error) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return ProjectRead::Missing;
    *error = path + ": the project cannot be read: " + Why(code);
    return ProjectRead::Refused;
  }
  std::string text, why;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = path + ": the project cannot be read: it is a folder";
    return ProjectRead::Refused;
  }
  if (!ReadWhole(path, &text, &why)) {
    *error = path + ": the project cannot be read: " + why;
    return ProjectRead::Refused;
  }
  if (!ParseProject(path, text, project, error)) return ProjectRead::Refused;
  if (project->surface != surfaceClsid) {
    *error = path + ": a project of surface " + project->surface + ", not of " + surfaceClsid;
    return ProjectRead::Refused;
  }
  return ProjectRead::Read;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error) {
  const std::string temporary = path + ".new";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = "cannot write the project " + path + ": " + Why(GetLastError());
    return false;
  }
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(temporary.c_str());
    *error = "cannot write the project " + path + ": " + Why(code);
    return false;
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = "cannot replace the project " + path + ": " + Why(GetLastError());
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

bool SaveProject(const std::string& path, const std::string& surfaceClsid, IControlSurface* surface, HostModel& host,
                 std::string* error) {
  Project out;
  out.surface = surfaceClsid;
  out.hasSettings = SaveSettings(surface, out.settings, error);
  if (!out.hasSettings) return false;
  host.With([&](HostState& state) { out.host = state; });
  return WriteFileReplacing(path, ProjectText(out), error);
}

bool RestoreProject(const Project& project, IControlSurface* surface, HostModel& host, std::string* error) {
  host.With([&](HostState& state) { RestoreProjectHost(project.host, &state); });
  return !project.hasSettings || LoadSettings(surface, project.settings, error);
}

}  // namespace sim
