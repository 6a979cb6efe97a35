// A plain picture for builds without the picture library: every lit address
// as text in an SVG. The picture library (tools/sim/picture) replaces it.
#include <cstdio>
#include <fstream>

#include "picture/snapshot.h"

namespace sim {

bool WriteSnapshot(const SurfaceState& surface, const HostSummary& host, const std::string& svgPath,
                   const std::string& pngPath) {
  (void)pngPath;
  std::ofstream out(svgPath);
  if (!out) return false;
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"600\"><text x=\"10\" y=\"20\">bank "
      << host.bank << "</text>\n";
  int y = 40;
  for (int c = 0; c < 128; ++c) {
    if (surface.ch14[c])
      out << "<text x=\"10\" y=\"" << (y += 14) << "\">bd " << c << " = " << int(surface.ch14[c]) << "</text>\n";
    if (surface.ch15[c])
      out << "<text x=\"10\" y=\"" << (y += 14) << "\">be " << c << " = " << int(surface.ch15[c]) << "</text>\n";
  }
  for (const std::string& line : host.lines) out << "<text x=\"300\" y=\"" << (y += 14) << "\">" << line << "</text>\n";
  out << "</svg>\n";
  return static_cast<bool>(out);
}

}  // namespace sim
