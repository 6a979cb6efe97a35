// The small built-in bitmap font the rasteriser draws text with.
#pragma once

#include <cstdint>

namespace sim {

// The seven rows of a character's 5x7 glyph, top first, bit 4 the leftmost
// column; characters outside printable ASCII draw as '?'.
const uint8_t* GlyphRows(char c);

}  // namespace sim
