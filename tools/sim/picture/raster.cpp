#include "picture/raster.h"

#include <algorithm>
#include <cmath>

#include "picture/bitmap_font.h"

namespace sim {
namespace {

// Edge coverage is kept to eighths: smooth enough at this size, and it keeps
// the picture within a 256-colour palette, which makes the PNG a third as big.
constexpr float COVERAGE_STEPS = 8.0f;

class Canvas {
 public:
  explicit Canvas(Raster& raster) : m_r(raster) {}

  void Blend(int x, int y, Colour c, float coverage) {
    if (x < 0 || y < 0 || x >= m_r.width || y >= m_r.height) return;
    const float a = std::round(std::clamp(coverage, 0.0f, 1.0f) * COVERAGE_STEPS) / COVERAGE_STEPS;
    if (a <= 0.0f) return;
    uint8_t* px = &m_r.rgb[(static_cast<size_t>(y) * m_r.width + x) * 3];
    if (a >= 1.0f) {
      px[0] = c.r, px[1] = c.g, px[2] = c.b;
      return;
    }
    const uint8_t src[3] = {c.r, c.g, c.b};
    for (int i = 0; i < 3; ++i) px[i] = static_cast<uint8_t>(std::lround(src[i] * a + px[i] * (1.0f - a)));
  }

  void Span(int y, int x0, int x1, Colour c) {
    if (y < 0 || y >= m_r.height) return;
    x0 = std::max(x0, 0), x1 = std::min(x1, m_r.width);
    uint8_t* px = &m_r.rgb[(static_cast<size_t>(y) * m_r.width) * 3];
    for (int x = x0; x < x1; ++x) px[x * 3] = c.r, px[x * 3 + 1] = c.g, px[x * 3 + 2] = c.b;
  }

  // Calls distance(px, py) at every pixel centre of the box and covers the
  // pixel by how far inside the shape's edge that centre lies.
  template <typename Distance>
  void Fill(float left, float top, float right, float bottom, Colour c, Distance distance) {
    const int x0 = std::max(0, static_cast<int>(std::floor(left)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(top)) - 1);
    const int x1 = std::min(m_r.width, static_cast<int>(std::ceil(right)) + 1);
    const int y1 = std::min(m_r.height, static_cast<int>(std::ceil(bottom)) + 1);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Blend(x, y, c, 0.5f - distance(x + 0.5f, y + 0.5f));
  }

 private:
  Raster& m_r;
};

// Rows clear of the rounded corners are solid but for their two end pixels;
// only the rest needs the distance at every pixel.
void DrawRect(Canvas& canvas, const Primitive& p) {
  const float r = std::min({p.radius, p.w / 2, p.h / 2});
  const float mx = p.x + p.w / 2, my = p.y + p.h / 2;
  auto distance = [&](float px, float py) {
    const float qx = std::fabs(px - mx) - (p.w / 2 - r), qy = std::fabs(py - my) - (p.h / 2 - r);
    const float outside = qx > 0 && qy > 0 ? std::hypot(qx, qy) : std::max({qx, qy, 0.0f});
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
  };
  const float solidTop = std::ceil(p.y + r), solidBottom = std::floor(p.y + p.h - r);
  const int left = static_cast<int>(std::ceil(p.x)), right = static_cast<int>(std::floor(p.x + p.w));
  if (solidBottom - solidTop < 2 || right - left < 3) {
    canvas.Fill(p.x, p.y, p.x + p.w, p.y + p.h, p.fill, distance);
    return;
  }
  canvas.Fill(p.x, p.y, p.x + p.w, solidTop, p.fill, distance);
  canvas.Fill(p.x, solidBottom, p.x + p.w, p.y + p.h, p.fill, distance);
  for (int y = static_cast<int>(solidTop) + 1; y < static_cast<int>(solidBottom) - 1; ++y) {
    for (int x = left - 1; x <= left; ++x) canvas.Blend(x, y, p.fill, 0.5f - distance(x + 0.5f, y + 0.5f));
    canvas.Span(y, left + 1, right - 1, p.fill);
    for (int x = right - 1; x <= right; ++x) canvas.Blend(x, y, p.fill, 0.5f - distance(x + 0.5f, y + 0.5f));
  }
}

void DrawCircle(Canvas& canvas, const Primitive& p) {
  canvas.Fill(p.x - p.radius, p.y - p.radius, p.x + p.radius, p.y + p.radius, p.fill,
              [&](float px, float py) { return std::hypot(px - p.x, py - p.y) - p.radius; });
}

// A convex polygon's distance is the largest distance outside any edge's line.
void DrawPolygon(Canvas& canvas, const Primitive& p) {
  const size_t n = p.points.size();
  if (n < 3) return;
  float area = 0, left = p.points[0].x, right = left, top = p.points[0].y, bottom = top;
  for (size_t i = 0; i < n; ++i) {
    const Point& a = p.points[i];
    const Point& b = p.points[(i + 1) % n];
    area += a.x * b.y - b.x * a.y;
    left = std::min(left, a.x), right = std::max(right, a.x), top = std::min(top, a.y), bottom = std::max(bottom, a.y);
  }
  const float winding = area >= 0 ? 1.0f : -1.0f;
  canvas.Fill(left, top, right, bottom, p.fill, [&](float px, float py) {
    float d = -1e9f;
    for (size_t i = 0; i < n; ++i) {
      const Point& a = p.points[i];
      const Point& b = p.points[(i + 1) % n];
      const float ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
      if (len == 0) continue;
      d = std::max(d, winding * (ex * (py - a.y) - ey * (px - a.x)) / -len);
    }
    return d;
  });
}

void DrawText(Canvas& canvas, const Primitive& p) {
  const int s = p.scale;
  int x = static_cast<int>(std::lround(TextLeft(p)));
  const int top = static_cast<int>(std::lround(p.y)) - FONT_HEIGHT * s;
  for (char c : p.text) {
    const uint8_t* rows = GlyphRows(c);
    for (int row = 0; row < FONT_HEIGHT; ++row)
      for (int col = 0; col < 5; ++col)
        if (rows[row] & (0x10 >> col))
          for (int dy = 0; dy < s; ++dy)
            for (int dx = 0; dx < s; ++dx) canvas.Blend(x + col * s + dx, top + row * s + dy, p.fill, 1.0f);
    x += FONT_ADVANCE * s;
  }
}

}  // namespace

Colour Raster::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const uint8_t* px = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return {px[0], px[1], px[2]};
}

Raster Rasterise(const DisplayList& list) {
  Raster raster;
  raster.width = std::max(0, list.width);
  raster.height = std::max(0, list.height);
  raster.rgb.resize(static_cast<size_t>(raster.width) * raster.height * 3);
  for (size_t i = 0; i < raster.rgb.size(); i += 3) {
    raster.rgb[i] = list.background.r;
    raster.rgb[i + 1] = list.background.g;
    raster.rgb[i + 2] = list.background.b;
  }
  Canvas canvas(raster);
  for (const Primitive& p : list.items) {
    switch (p.shape) {
      case Shape::Rect:
        DrawRect(canvas, p);
        break;
      case Shape::Circle:
        DrawCircle(canvas, p);
        break;
      case Shape::Polygon:
        DrawPolygon(canvas, p);
        break;
      case Shape::Text:
        DrawText(canvas, p);
        break;
    }
  }
  return raster;
}

}  // namespace sim
