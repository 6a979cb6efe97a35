// Finds and creates the surface object the way a host does: from the host's
// list of surfaces in the registry and CoCreateInstance, or, for a build that
// is not registered, from a DLL file through its DllGetClassObject.
#pragma once

#include <string>

#include "host_interfaces.h"

namespace sim {

struct LoadedSurface {
  IControlSurface* surface = nullptr;
  HMODULE module = nullptr;  // set when loaded from a file
  CLSID clsid = {};
  std::string description;  // how it was found, for the run's first line
};

// `dllPath` empty: registry discovery, choosing `clsidText` or, when that is
// empty, the surface described as `description`. On failure `error` says
// what was tried (key, CLSID, path) and the result is false.
bool LoadSurface(const std::string& dllPath, const std::string& clsidText, const std::string& description,
                 bool listSurfaces, LoadedSurface* loaded, std::string* error);

// Releases the surface object and, for a DLL loaded from a file, unloads it
// once it says it can be unloaded. Returns false when it cannot.
bool UnloadSurface(LoadedSurface* loaded);

std::string ClsidText(REFCLSID clsid);

// The surface's property pages as its ISpecifyPropertyPages names them.
std::string DescribePages(IControlSurface* surface);

}  // namespace sim
