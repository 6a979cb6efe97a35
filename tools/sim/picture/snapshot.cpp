#include "picture/snapshot.h"

#include "picture/picture.h"
#include "picture/png_writer.h"
#include "picture/raster.h"
#include "picture/svg_writer.h"

namespace sim {

bool WriteSnapshot(const SurfaceState& surface, const HostSummary& host, const std::string& svgPath,
                   const std::string& pngPath) {
  const DisplayList picture = BuildPicture(surface, host);
  bool ok = WriteSvg(picture, svgPath);
  if (!pngPath.empty()) ok = WritePng(Rasterise(picture), pngPath) && ok;
  return ok;
}

}  // namespace sim
