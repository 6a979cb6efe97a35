// Surface > Properties...: the surface's own pages in the host's property
// frame, as a host shows them. The surface is asked for its pages through
// ISpecifyPropertyPages and is the frame's one object; the pages write into
// the surface directly, so a choice acts at the next key press.
#pragma once

#include <windows.h>

#include <string>

#include "host_interfaces.h"

namespace sim {

// Returns false with `error` when the surface has no pages or the frame fails.
// `module` is the plug-in's DLL when it was loaded from a file and is not
// registered: its page classes are then registered for this process only,
// while the frame is up, so that the frame can create them.
bool ShowSurfaceProperties(HWND owner, IControlSurface* surface, HMODULE module, std::string* error);

}  // namespace sim
