// The project file on disk, for the command line and the window alike: read
// and checked before anything starts, refused when it cannot be read, and
// written beside the file and then moved over it, so that neither a failed
// save nor a file that could not be read loses the project.
#pragma once

#include <string>

#include "host_interfaces.h"
#include "language/project.h"
#include "model/host_model.h"

namespace sim {

enum class ProjectRead {
  Missing,  // no such file: a new project, written at the first save
  Read,     // read, parsed, and of the surface asked for
  Refused,  // exists but cannot be read, is damaged or of another surface; `error` says which
};

// Reads `path` into `project`, which must belong to `surfaceClsid`.
ProjectRead ReadProjectFile(const std::string& path, const std::string& surfaceClsid, Project* project,
                            std::string* error);

// Writes `text` to PATH.new, flushed to the disk, and moves it over `path`.
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error);

// The running host's state and the surface's settings, saved as a project.
bool SaveProject(const std::string& path, const std::string& surfaceClsid, IControlSurface* surface, HostModel& host,
                 std::string* error);

// A project put into the running host and surface: the host's state, then the
// settings through the surface's Load (when the project holds them).
bool RestoreProject(const Project& project, IControlSurface* surface, HostModel& host, std::string* error);

}  // namespace sim
