// The snapshot's PNG files, compressed by stb_image_write (Debian's libstb-dev,
// header-only): an RGB image of the raster.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/raster.h"

namespace sim {

std::vector<uint8_t> EncodePng(const Raster& raster);

bool WritePng(const Raster& raster, const std::string& path);

}  // namespace sim
