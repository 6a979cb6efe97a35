// The display list as an SVG document.
#pragma once

#include <string>

#include "picture/display_list.h"

namespace sim {

std::string RenderSvg(const DisplayList& list);

bool WriteSvg(const DisplayList& list, const std::string& path);

}  // namespace sim
