#include "picture/picture.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "midi_map.h"

namespace sim {
namespace {

constexpr Colour CANVAS{23, 25, 29};
constexpr Colour PANEL_EDGE{64, 70, 80};
constexpr Colour PANEL{43, 47, 54};
constexpr Colour GROUP{50, 55, 63};
constexpr Colour SELECTED_COLUMN{60, 70, 90};
constexpr Colour KEY{74, 80, 89};
constexpr Colour KEY_EDGE{32, 35, 40};
constexpr Colour LABEL{139, 147, 158};
constexpr Colour BRIGHT{230, 232, 235};
constexpr Colour LATCHED_RING{214, 218, 224};
constexpr Colour DISPLAY_GLASS{18, 10, 10};
constexpr Colour SEGMENT_ON{255, 52, 40};
constexpr Colour SEGMENT_OFF{52, 24, 24};

constexpr Colour KNOB_STRIP_LED{54, 200, 255};
constexpr Colour SELECT_LED{90, 230, 110};
constexpr Colour AUTO_ARM_LED{176, 120, 255};
constexpr Colour REC_LED{255, 60, 50};
constexpr Colour SOLO_LED{255, 214, 60};
constexpr Colour MUTE_LED{255, 140, 30};
constexpr Colour AMBER_LED{255, 180, 40};
constexpr Colour PLAY_LED{80, 230, 100};
constexpr Colour WHITE_LED{240, 240, 230};

// The host's panel: its lines in columns of at most COLUMN_CHARS characters,
// as many columns as they need up to MAX_COLUMNS; what does not fit is counted.
constexpr int HOST_X = 1510, HOST_MIN_W = 470, HOST_TEXT_TOP = 58, HOST_PAD = 18;
constexpr int LINE_HEIGHT = 12;
constexpr size_t COLUMN_CHARS = 72, MAX_COLUMNS = 4;

Colour Mix(Colour a, Colour b, float t) {  // t = 0 gives a, 1 gives b
  auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A dark LED still shows its colour faintly through the cap, as on the hardware.
Colour Unlit(Colour led) { return Mix(led, Colour{58, 62, 70}, 0.8f); }

Colour LedColour(const LayoutRow& row) {
  switch (row.kind) {
    case Kind::KnobStripButton:
      return KNOB_STRIP_LED;
    case Kind::SelectButton:
      return SELECT_LED;
    case Kind::AutoArmButton:
      return AUTO_ARM_LED;
    case Kind::RecArmButton:
      return REC_LED;
    case Kind::SoloButton:
      return SOLO_LED;
    case Kind::MuteButton:
      return MUTE_LED;
    case Kind::TransportKey:
      return REC_LED;
    case Kind::StoreKey:
      return AMBER_LED;
    case Kind::Arrow:
      return AMBER_LED;
    case Kind::Lamp:
      return row.light.controller == midi::LED_PLAY ? PLAY_LED : WHITE_LED;
    default:
      return WHITE_LED;
  }
}

float Fx(int v) { return static_cast<float>(v); }

// The window position of an absolute strip, or -1 when it lies outside the window.
int WindowPosition(int strip, int firstStrip) {
  return strip >= firstStrip && strip - firstStrip < midi::STRIPS_PER_BANK ? strip - firstStrip : -1;
}

class Painter {
 public:
  Painter(const SurfaceState& surface, const HostSummary& host) : m_surface(surface), m_host(host) {
    m_list.height = SurfaceBounds().h;
    size_t longest = 0;
    for (const std::string& line : host.lines) longest = std::max(longest, line.size());
    m_columnChars = std::clamp<size_t>(longest, 24, COLUMN_CHARS);
    m_linesPerColumn = static_cast<size_t>((m_list.height - HOST_TEXT_TOP) / LINE_HEIGHT);
    m_shownLines = std::min(host.lines.size(), MAX_COLUMNS * m_linesPerColumn);
    const size_t columns = std::max<size_t>(1, (m_shownLines + m_linesPerColumn - 1) / m_linesPerColumn);
    m_hostWidth = std::max(HOST_MIN_W, static_cast<int>(columns * (m_columnChars + 4) * FONT_ADVANCE) + HOST_PAD);
    m_list.width = HOST_X + m_hostWidth + 10;
    m_list.background = CANVAS;
  }

  DisplayList Paint() {
    Panel();
    for (const LayoutRow& row : SurfaceLayout()) Row(row);
    HostPanel();
    return std::move(m_list);
  }

 private:
  bool Lit(const LayoutRow& row) const { return LightValue(m_surface, row.light) != 0; }

  void Key(const Rect& r, Colour face, float radius = 4) {
    m_list.Rect(Fx(r.x) - 1, Fx(r.y) - 1, Fx(r.w) + 2, Fx(r.h) + 2, radius + 1, KEY_EDGE);
    m_list.Rect(Fx(r.x), Fx(r.y), Fx(r.w), Fx(r.h), radius, face);
  }

  // A lit light glows a little beyond its cap.
  void Light(const Rect& r, Colour led, bool lit, float radius) {
    if (lit) m_list.Rect(Fx(r.x) - 2, Fx(r.y) - 2, Fx(r.w) + 4, Fx(r.h) + 4, radius + 2, Mix(led, PANEL, 0.55f));
    m_list.Rect(Fx(r.x), Fx(r.y), Fx(r.w), Fx(r.h), radius, lit ? led : Unlit(led));
  }

  void Panel() {
    const Rect s = SurfaceBounds();
    m_list.Rect(0, 0, Fx(s.w), Fx(s.h), 12, PANEL_EDGE);
    m_list.Rect(2, 2, Fx(s.w) - 4, Fx(s.h) - 4, 10, PANEL);
    m_list.Text(18, 30, "TAVREL", BRIGHT, 2);
    m_list.Text(104, 30, "control surface", LABEL);

    // The four groups of eight strips, and the host's selected strip.
    const LayoutRow* first = FindRow("fader 0");
    for (int g = 0; g < midi::STRIPS_PER_BANK / 8; ++g) {
      const Rect a = FindRow(("mute " + std::to_string(g * 8)).c_str())->rect;
      const Rect b = FindRow(("mute " + std::to_string(g * 8 + 7)).c_str())->rect;
      m_list.Rect(Fx(a.x) - 5, 40, Fx(b.x + b.w - a.x) + 10, Fx(s.h) - 50, 6, GROUP);
    }
    // A bank outside the four lights no bank box and numbers the strips as bank 0.
    const int firstStrip =
        (m_host.bank >= 0 && m_host.bank < midi::BANK_COUNT ? m_host.bank : 0) * midi::STRIPS_PER_BANK;
    const int selected = WindowPosition(m_host.selectedStrip, firstStrip);
    if (selected >= 0 && selected < midi::STRIPS_PER_BANK) {
      const Rect r = FindRow(("fader " + std::to_string(selected)).c_str())->rect;
      m_list.Rect(Fx(r.x) - 3, 42, Fx(r.w) + 6, Fx(s.h) - 54, 4, SELECTED_COLUMN);
    }

    // Row captions at the left, strip numbers above and positions below.
    for (const Control& control : Controls()) {
      if (!control.perStrip || control.kind == ControlKind::Fader) continue;
      const Rect r = PlaceOf(control, 0);
      m_list.Text(Fx(r.x) - 8, Fx(r.CentreY()) + 4, control.caption, LABEL, 1, Anchor::End);
    }
    m_list.Text(Fx(first->rect.x) - 8, 54, "STRIP", LABEL, 1, Anchor::End);
    m_list.Text(Fx(first->rect.x) - 8, Fx(first->rect.y + first->rect.h) + 18, "POS", LABEL, 1, Anchor::End);
    for (int p = 0; p < midi::STRIPS_PER_BANK; ++p) {
      const Rect r = FindRow(("fader " + std::to_string(p)).c_str())->rect;
      const float cx = Fx(r.x) + Fx(r.w) / 2;
      m_list.Text(cx, 54, std::to_string(firstStrip + p), p == selected ? BRIGHT : LABEL, 1, Anchor::Middle);
      m_list.Text(cx, Fx(r.y + r.h) + 18, std::to_string(p), BRIGHT, 1, Anchor::Middle);
      if (WindowPosition(m_host.knobStrip, firstStrip) == p)
        m_list.Rect(Fx(r.x), Fx(r.y + r.h) + 22, Fx(r.w), 3, 1.5f, KNOB_STRIP_LED);
    }

    // The bank: four boxes, the host's current one lit.
    const float bankX = 860;
    m_list.Text(bankX, 30, "BANK", LABEL);
    for (int b = 0; b < midi::BANK_COUNT; ++b) {
      const bool current = b == m_host.bank;
      const float x = bankX + 34 + Fx(b) * 26;
      m_list.Rect(x, 17, 22, 16, 3, current ? BRIGHT : KEY);
      m_list.Text(x + 11, 29, std::to_string(b), current ? PANEL : LABEL, 1, Anchor::Middle);
    }
    const std::string strips =
        "strips " + std::to_string(firstStrip) + "-" + std::to_string(firstStrip + midi::STRIPS_PER_BANK - 1);
    m_list.Text(bankX + 144, 30, strips, LABEL);

    // The display's glass behind the digits and arrows.
    const Rect left = FindRow("display left")->rect;
    m_list.Rect(Fx(left.x) - 12, Fx(left.y) - 12, 140, Fx(left.h) + 24, 6, DISPLAY_GLASS);
  }

  void Row(const LayoutRow& row) {
    const Rect& r = row.rect;
    switch (row.kind) {
      case Kind::KnobStripButton:
      case Kind::SelectButton:
      case Kind::AutoArmButton:
      case Kind::RecArmButton:
      case Kind::SoloButton:
      case Kind::MuteButton:
        StripButton(row);
        break;
      case Kind::Fader:
        Fader(row);
        break;
      case Kind::Digit:
        Digit(r, LightValue(m_surface, row.light));
        break;
      case Kind::Arrow:
        Arrow(row);
        break;
      case Kind::Lamp:
        Lamp(row);
        break;
      case Kind::SendKnob:
        Knob(row, m_surface.sendKnobs[row.index]);
        break;
      case Kind::PanKnob:
        Knob(row, m_surface.panKnob);
        break;
      case Kind::JogWheel:
        Jog(row);
        break;
      case Kind::TransportKey:
        Transport(row);
        break;
      case Kind::StoreKey:
        Key(r, KEY);
        Light({r.x + 3, r.y + 3, r.w - 6, r.h - 13}, AMBER_LED, Lit(row), 2);
        LabelOn(row);
        break;
      case Kind::FunctionKey:
      case Kind::UpKey:
      case Kind::DownKey:
      case Kind::CursorKey:
      case Kind::UnusedKey:
        Key(r, KEY);
        m_list.Text(Fx(r.x) + Fx(r.w) / 2, Fx(r.CentreY()) + 4, row.label, BRIGHT, 1, Anchor::Middle);
        break;
      case Kind::Footswitch:
        m_list.Rect(Fx(r.x), Fx(r.y), Fx(r.w), Fx(r.h), 10, KEY_EDGE);
        m_list.Rect(Fx(r.x) + 3, Fx(r.y) + 3, Fx(r.w) - 6, Fx(r.h) - 6, 8, KEY);
        m_list.Circle(Fx(r.x) + 12, Fx(r.CentreY()), 5, KEY_EDGE);
        m_list.Text(Fx(r.x) + 22, Fx(r.CentreY()) + 4, row.label, BRIGHT);
        break;
    }
  }

  void LabelOn(const LayoutRow& row) {
    m_list.Text(Fx(row.rect.x) + Fx(row.rect.w) / 2, Fx(row.rect.y + row.rect.h) - 3, row.label, BRIGHT, 1,
                Anchor::Middle);
  }

  void StripButton(const LayoutRow& row) {
    const Rect& r = row.rect;
    if (row.input.status == midi::STATUS_CH14 && m_surface.latched[row.input.controller])
      m_list.Rect(Fx(r.x) - 3.5f, Fx(r.y) - 3.5f, Fx(r.w) + 7, Fx(r.h) + 7, 6, LATCHED_RING);
    else
      m_list.Rect(Fx(r.x) - 1, Fx(r.y) - 1, Fx(r.w) + 2, Fx(r.h) + 2, 4, KEY_EDGE);
    Light(r, LedColour(row), Lit(row), 3);
  }

  void Fader(const LayoutRow& row) {
    const Rect& r = row.rect;
    const float cx = Fx(r.x) + Fx(r.w) / 2;
    const float top = Fx(FaderCap(row, 127).CentreY()), bottom = Fx(FaderCap(row, 0).CentreY());
    for (int t = 0; t <= 8; ++t) {
      const float y = top + (bottom - top) * Fx(t) / 8;
      m_list.Rect(Fx(r.x) + 1, y, t % 4 == 0 ? 7 : 5, 1, 0, LABEL);
    }
    m_list.Rect(cx - 2, top - 2, 4, bottom - top + 4, 2, Colour{16, 18, 21});
    const Rect cap = FaderCap(row, m_surface.faders[row.index]);
    m_list.Rect(Fx(cap.x) - 1, Fx(cap.y) + 1, Fx(cap.w) + 2, Fx(cap.h), 3, Colour{20, 22, 25});
    m_list.Rect(Fx(cap.x), Fx(cap.y), Fx(cap.w), Fx(cap.h), 3, Colour{206, 210, 216});
    m_list.Rect(Fx(cap.x), Fx(cap.y) + Fx(cap.h) / 2, Fx(cap.w), Fx(cap.h) / 2, 3, Colour{176, 181, 188});
    m_list.Rect(Fx(cap.x) + 2, Fx(cap.CentreY()) - 1, Fx(cap.w) - 4, 2, 0, Colour{60, 64, 72});
  }

  // Seven segments as six-sided bars, a (top) to g (middle) in bit order.
  void Digit(const Rect& r, uint8_t bits) {
    const float t = 6, gap = 1.5f;
    const float x0 = Fx(r.x) + t / 2, x1 = Fx(r.x + r.w) - t / 2;
    const float y0 = Fx(r.y) + t / 2, ym = Fx(r.y) + Fx(r.h) / 2, y1 = Fx(r.y + r.h) - t / 2;
    auto across = [&](float y) {
      return std::vector<Point>{{x0 + gap, y}, {x0 + gap + t / 2, y - t / 2}, {x1 - gap - t / 2, y - t / 2},
                                {x1 - gap, y}, {x1 - gap - t / 2, y + t / 2}, {x0 + gap + t / 2, y + t / 2}};
    };
    auto down = [&](float x, float ya, float yb) {
      return std::vector<Point>{{x, ya + gap}, {x + t / 2, ya + gap + t / 2}, {x + t / 2, yb - gap - t / 2},
                                {x, yb - gap}, {x - t / 2, yb - gap - t / 2}, {x - t / 2, ya + gap + t / 2}};
    };
    const std::vector<Point> segments[7] = {across(y0),       down(x1, y0, ym), down(x1, ym, y1), across(y1),
                                            down(x0, ym, y1), down(x0, y0, ym), across(ym)};
    for (int s = 0; s < 7; ++s) m_list.Polygon(segments[s], (bits >> s) & 1 ? SEGMENT_ON : SEGMENT_OFF);
  }

  void Arrow(const LayoutRow& row) {
    const Rect& r = row.rect;
    const float l = Fx(r.x), t = Fx(r.y), rr = Fx(r.x + r.w), b = Fx(r.y + r.h), cx = l + Fx(r.w) / 2;
    const Colour c = Lit(row) ? AMBER_LED : Mix(AMBER_LED, DISPLAY_GLASS, 0.8f);
    if (row.index == 0)
      m_list.Polygon({{cx, t}, {rr, b}, {l, b}}, c);
    else
      m_list.Polygon({{l, t}, {rr, t}, {cx, b}}, c);
  }

  void Lamp(const LayoutRow& row) {
    const Rect& r = row.rect;
    Light(r, LedColour(row), Lit(row), 3);
    const bool labelLeft = row.light.controller == midi::LED_PLAY || row.light.controller == midi::LED_TRANSPORT_57;
    if (labelLeft)
      m_list.Text(Fx(r.x) - 6, Fx(r.y) + 9, row.label, LABEL, 1, Anchor::End);
    else
      m_list.Text(Fx(r.x + r.w) + 6, Fx(r.y) + 9, row.label, LABEL);
  }

  // A knob's pointer sweeps 270 degrees, from lower left (0) to lower right (127).
  void Knob(const LayoutRow& row, uint8_t value) {
    const Rect& r = row.rect;
    const float cx = Fx(r.x) + Fx(r.w) / 2, cy = Fx(r.y) + Fx(r.h) / 2, radius = Fx(r.w) / 2;
    auto at = [&](float v, float dist) {
      const float a = (-135.0f + 270.0f * v / 127.0f) * 3.14159265f / 180.0f;
      return Point{cx + dist * std::sin(a), cy - dist * std::cos(a)};
    };
    for (int tick = 0; tick <= 10; ++tick) {
      const Point p = at(127.0f * Fx(tick) / 10, radius + 5);
      m_list.Circle(p.x, p.y, 1.2f, LABEL);
    }
    m_list.Circle(cx, cy, radius, KEY_EDGE);
    m_list.Circle(cx, cy, radius - 3, Colour{88, 95, 105});
    m_list.Circle(cx, cy, radius - 7, Colour{74, 80, 89});
    const float v = std::min<float>(value, 127);
    const float a = (-135.0f + 270.0f * v / 127.0f) * 3.14159265f / 180.0f;
    const float nx = std::cos(a) * 1.5f, ny = std::sin(a) * 1.5f;  // half the pointer's width, across it
    const Point tip = at(v, radius - 4), base = at(v, 3);
    m_list.Polygon(
        {{base.x - nx, base.y - ny}, {tip.x - nx, tip.y - ny}, {tip.x + nx, tip.y + ny}, {base.x + nx, base.y + ny}},
        BRIGHT);
    m_list.Text(cx, Fx(r.y + r.h) + 16, row.label, LABEL, 1, Anchor::Middle);
  }

  void Jog(const LayoutRow& row) {
    const Rect& r = row.rect;
    const float cx = Fx(r.x) + Fx(r.w) / 2, cy = Fx(r.y) + Fx(r.h) / 2, radius = Fx(r.w) / 2;
    m_list.Circle(cx, cy, radius, KEY_EDGE);
    m_list.Circle(cx, cy, radius - 3, Colour{70, 76, 85});
    for (int i = 0; i < 24; ++i) {
      const float a = Fx(i) * 3.14159265f / 12;
      m_list.Circle(cx + (radius - 8) * std::sin(a), cy - (radius - 8) * std::cos(a), 1.5f, Colour{50, 55, 62});
    }
    m_list.Circle(cx, cy, radius - 16, Colour{82, 89, 99});
    m_list.Circle(cx + 20, cy - 20, 8, Colour{58, 63, 71});
    m_list.Text(cx, Fx(r.y + r.h) + 14, row.label, LABEL, 1, Anchor::Middle);
  }

  void Transport(const LayoutRow& row) {
    const Rect& r = row.rect;
    const bool lit = Lit(row);
    if (row.light.Present())
      Light(r, REC_LED, lit, 4);
    else
      Key(r, KEY);
    const Colour symbol = row.light.Present() ? (lit ? BRIGHT : REC_LED) : BRIGHT;
    const float cx = Fx(r.x) + Fx(r.w) / 2, cy = Fx(r.y) + 11;
    switch (row.input.controller) {
      case midi::CC_TRANSPORT_FIRST:  // rewind: two triangles pointing left
        m_list.Polygon({{cx - 10, cy}, {cx, cy - 5}, {cx, cy + 5}}, symbol);
        m_list.Polygon({{cx, cy}, {cx + 10, cy - 5}, {cx + 10, cy + 5}}, symbol);
        break;
      case midi::CC_TRANSPORT_LAST:  // record: a dot
        m_list.Circle(cx, cy, 5, symbol);
        break;
      case midi::CC_TRANSPORT_LAST - 1:  // stop: a square
        m_list.Rect(cx - 5, cy - 5, 10, 10, 1, symbol);
        break;
      default:
        break;
    }
    LabelOn(row);
  }

  void HostPanel() {
    const float h = static_cast<float>(m_list.height), w = Fx(m_hostWidth);
    m_list.Rect(HOST_X, 0, w, h, 12, PANEL_EDGE);
    m_list.Rect(HOST_X + 2, 2, w - 4, h - 4, 10, Colour{33, 36, 41});
    m_list.Text(HOST_X + HOST_PAD, 30, "HOST", BRIGHT, 2);
    const float columnWidth = Fx(static_cast<int>((m_columnChars + 4) * FONT_ADVANCE));
    for (size_t i = 0; i < m_shownLines; ++i) {
      std::string line = m_host.lines[i];
      if (line.size() > m_columnChars) line = line.substr(0, m_columnChars - 3) + "...";
      if (i + 1 == m_shownLines && m_shownLines < m_host.lines.size())
        line = "... " + std::to_string(m_host.lines.size() - i) + " more lines";
      const size_t column = i / m_linesPerColumn, row = i % m_linesPerColumn;
      m_list.Text(HOST_X + HOST_PAD + Fx(static_cast<int>(column)) * columnWidth,
                  HOST_TEXT_TOP + Fx(static_cast<int>(row)) * LINE_HEIGHT, line, i == 0 ? BRIGHT : LABEL);
    }
  }

  const SurfaceState& m_surface;
  const HostSummary& m_host;
  DisplayList m_list;
  size_t m_columnChars = 0, m_linesPerColumn = 1, m_shownLines = 0;
  int m_hostWidth = HOST_MIN_W;
};

}  // namespace

uint8_t LightValue(const SurfaceState& surface, Address light) {
  if (light.controller >= 128) return 0;
  if (light.status == midi::STATUS_CH14) return surface.ch14[light.controller];
  if (light.status == midi::STATUS_CH15) return surface.ch15[light.controller];
  return 0;
}

DisplayList BuildPicture(const SurfaceState& surface, const HostSummary& host) {
  return Painter(surface, host).Paint();
}

}  // namespace sim
