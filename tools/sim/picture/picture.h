// The snapshot picture as a display list: the surface drawn from the layout
// table and the lights it was sent, and the host's summary beside it.
#pragma once

#include "picture/display_list.h"
#include "picture/snapshot.h"
#include "picture/surface_layout.h"

namespace sim {

DisplayList BuildPicture(const SurfaceState& surface, const HostSummary& host);

// The value last sent to a light's address (0 for no address).
uint8_t LightValue(const SurfaceState& surface, Address light);

}  // namespace sim
