#include "picture/display_list.h"

#include <utility>

namespace sim {
namespace {

// The font has printable ASCII only: each other character (a UTF-8 sequence)
// becomes one '?', so the text is as wide in both outputs.
std::string Printable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else if (c < 0x80 || c >= 0xC0) {
      out += '?';
    }  // UTF-8 continuation bytes belong to the '?' already written
  }
  return out;
}

}  // namespace

void DisplayList::Rect(float x, float y, float w, float h, float radius, Colour fill) {
  Primitive p;
  p.shape = Shape::Rect;
  p.fill = fill;
  p.x = x, p.y = y, p.w = w, p.h = h, p.radius = radius;
  items.push_back(std::move(p));
}

void DisplayList::Circle(float cx, float cy, float r, Colour fill) {
  Primitive p;
  p.shape = Shape::Circle;
  p.fill = fill;
  p.x = cx, p.y = cy, p.radius = r;
  items.push_back(std::move(p));
}

void DisplayList::Polygon(std::vector<Point> points, Colour fill) {
  Primitive p;
  p.shape = Shape::Polygon;
  p.fill = fill;
  p.points = std::move(points);
  items.push_back(std::move(p));
}

void DisplayList::Text(float x, float baseline, const std::string& text, Colour fill, int scale, Anchor anchor) {
  Primitive p;
  p.shape = Shape::Text;
  p.fill = fill;
  p.x = x, p.y = baseline;
  p.text = Printable(text);
  p.scale = scale < 1 ? 1 : scale;
  p.anchor = anchor;
  items.push_back(std::move(p));
}

float TextLeft(const Primitive& text) {
  const float width = static_cast<float>(text.text.size() * FONT_ADVANCE * text.scale);
  switch (text.anchor) {
    case Anchor::Middle:
      return text.x - width / 2;
    case Anchor::End:
      return text.x - width;
    case Anchor::Start:
      break;
  }
  return text.x;
}

}  // namespace sim
