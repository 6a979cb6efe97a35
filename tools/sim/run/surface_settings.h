// The surface's stored settings as a host handles them: the block comes out
// through IPersistStream::Save and goes back in through Load, on OLE memory
// streams, exactly as when a project is written and reopened.
#pragma once

#include <cstdint>
#include <string>

#include "host_interfaces.h"
#include "language/project.h"

namespace sim {

bool SaveSettings(IControlSurface* surface, uint8_t (&settings)[PROJECT_SETTINGS_SIZE], std::string* error);
bool LoadSettings(IControlSurface* surface, const uint8_t (&settings)[PROJECT_SETTINGS_SIZE], std::string* error);

}  // namespace sim
