#include "run/attachment.h"

#include <cstdio>

namespace sim {

bool AttachSurface(IControlSurface* surface, HostModel& host, Monitor& monitor, std::string* error) {
  const HRESULT attached = surface->AttachHost(host.Unknown(), 0);
  monitor.Host("AttachHost -> " + std::to_string(attached));
  if (SUCCEEDED(attached)) return true;
  char text[48];
  std::snprintf(text, sizeof text, "AttachHost failed: 0x%08lx", static_cast<unsigned long>(attached));
  *error = text;
  return false;
}

void DetachSurface(IControlSurface* surface, Monitor& monitor) {
  surface->DetachHost();
  monitor.Host("DetachHost");
}

}  // namespace sim
