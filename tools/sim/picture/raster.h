// Renders a display list into pixels: shapes with smoothed edges, text in the
// built-in bitmap font.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/display_list.h"

namespace sim {

struct Raster {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3, rows top first

  Colour At(int x, int y) const;
};

Raster Rasterise(const DisplayList& list);

}  // namespace sim
