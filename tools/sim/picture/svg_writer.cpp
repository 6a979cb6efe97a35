#include "picture/svg_writer.h"

#include <cstdio>

namespace sim {
namespace {

std::string Num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Hex(Colour c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Text keeps the bitmap font's metrics: a monospace face whose advance is the
// font's cell, stretched to exactly the width the rasteriser draws.
std::string TextElement(const Primitive& p) {
  const float size = static_cast<float>(10 * p.scale);
  const float width = static_cast<float>(p.text.size() * FONT_ADVANCE * p.scale);
  return "<text x=\"" + Num(TextLeft(p)) + "\" y=\"" + Num(p.y) + "\" font-size=\"" + Num(size) + "\" textLength=\"" +
         Num(width) + "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"" + Hex(p.fill) + "\">" + Escaped(p.text) +
         "</text>\n";
}

}  // namespace

std::string RenderSvg(const DisplayList& list) {
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(list.width) + "\" height=\"" +
         std::to_string(list.height) + "\" viewBox=\"0 0 " + std::to_string(list.width) + " " +
         std::to_string(list.height) + "\" xml:space=\"preserve\">\n";
  svg += "<style>text{font-family:'DejaVu Sans Mono',Consolas,'Courier New',monospace;}</style>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"" + Hex(list.background) + "\"/>\n";
  for (const Primitive& p : list.items) {
    switch (p.shape) {
      case Shape::Rect:
        svg += "<rect x=\"" + Num(p.x) + "\" y=\"" + Num(p.y) + "\" width=\"" + Num(p.w) + "\" height=\"" + Num(p.h) +
               "\"";
        if (p.radius > 0) svg += " rx=\"" + Num(p.radius) + "\"";
        svg += " fill=\"" + Hex(p.fill) + "\"/>\n";
        break;
      case Shape::Circle:
        svg += "<circle cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) + "\" r=\"" + Num(p.radius) + "\" fill=\"" +
               Hex(p.fill) + "\"/>\n";
        break;
      case Shape::Polygon: {
        svg += "<polygon points=\"";
        for (size_t i = 0; i < p.points.size(); ++i) {
          if (i > 0) svg += ' ';
          svg += Num(p.points[i].x);
          svg += ',';
          svg += Num(p.points[i].y);
        }
        svg += "\" fill=\"" + Hex(p.fill) + "\"/>\n";
        break;
      }
      case Shape::Text:
        if (!p.text.empty()) svg += TextElement(p);
        break;
    }
  }
  svg += "</svg>\n";
  return svg;
}

bool WriteSvg(const DisplayList& list, const std::string& path) {
  const std::string svg = RenderSvg(list);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace sim
