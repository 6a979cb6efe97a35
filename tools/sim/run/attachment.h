// Attaching the surface to the host model and letting it go, as a host does;
// the command line and the window's Surface menu both come through here.
#pragma once

#include <string>

#include "host_interfaces.h"
#include "model/host_model.h"
#include "model/monitor.h"

namespace sim {

// AttachHost with the host model's object; false with `error` when it fails.
bool AttachSurface(IControlSurface* surface, HostModel& host, Monitor& monitor, std::string* error);

// DetachHost; the caller has stopped the session's refreshes and input first.
void DetachSurface(IControlSurface* surface, Monitor& monitor);

}  // namespace sim
