// A picture as a short list of filled shapes and text. The SVG writer and the
// rasteriser both render this list, so the two outputs cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct Colour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Colour&) const = default;
};

struct Point {
  float x = 0, y = 0;
};

enum class Shape : uint8_t {
  Rect,     // x, y, w, h, corner radius
  Circle,   // centre x, y, radius
  Polygon,  // convex, points in either winding
  Text,     // x = anchor, y = baseline; the built-in 5x7 font at `scale`
};

enum class Anchor : uint8_t { Start, Middle, End };

struct Primitive {
  Shape shape = Shape::Rect;
  Colour fill;
  float x = 0, y = 0, w = 0, h = 0, radius = 0;
  std::vector<Point> points;
  std::string text;
  int scale = 1;
  Anchor anchor = Anchor::Start;
};

struct DisplayList {
  int width = 0, height = 0;
  Colour background;
  std::vector<Primitive> items;

  void Rect(float x, float y, float w, float h, float radius, Colour fill);
  void Circle(float cx, float cy, float r, Colour fill);
  void Polygon(std::vector<Point> points, Colour fill);
  void Text(float x, float baseline, const std::string& text, Colour fill, int scale = 1,
            Anchor anchor = Anchor::Start);
};

// The font's cell: glyphs are 5x7 on a 6-pixel advance.
constexpr int FONT_ADVANCE = 6;
constexpr int FONT_HEIGHT = 7;

// Left edge of a text item once its anchor is applied (both writers use it).
float TextLeft(const Primitive& text);

}  // namespace sim
