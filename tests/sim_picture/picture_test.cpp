#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "midi_map.h"
#include "picture.h"
#include "png_writer.h"
#include "snapshot.h"
#include "svg_writer.h"

using sim::Colour;
using sim::LayoutRow;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// Reads back a PNG as this project writes it, checking its structure on the
// way: signature, every chunk's CRC, stored deflate blocks, the Adler-32.
sim::Raster DecodePng(const std::vector<uint8_t>& png) {
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(png.size() > 8 && std::equal(signature, signature + 8, png.begin()));
  sim::Raster out;
  int colourType = 0;
  std::vector<uint8_t> palette, zlib;
  std::string last;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t len = U32(png, at);
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(sim::Crc32(&png[at + 4], len + 4), U32(png, at + 8 + len)) << type;
    const auto data = png.begin() + static_cast<long>(at) + 8;
    if (type == "IHDR") out.width = U32(png, at + 8), out.height = U32(png, at + 12), colourType = png[at + 17];
    if (type == "PLTE") palette.assign(data, data + len);
    if (type == "IDAT") zlib.insert(zlib.end(), data, data + len);
    last = type;
    at += 12 + len;
  }
  EXPECT_EQ(last, "IEND");
  std::vector<uint8_t> lines;
  size_t at = 2;
  for (bool final = false; !final && at + 5 <= zlib.size();) {
    final = zlib[at] & 1;
    EXPECT_EQ(zlib[at] >> 1, 0) << "not a stored block";
    const size_t len = zlib[at + 1] | (zlib[at + 2] << 8);
    EXPECT_EQ(len ^ 0xFFFF, size_t(zlib[at + 3] | (zlib[at + 4] << 8)));
    lines.insert(lines.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + len);
    at += 5 + len;
  }
  EXPECT_EQ(sim::Adler32(lines.data(), lines.size()), U32(zlib, at));
  const size_t bpp = colourType == 3 ? 1 : 3, stride = out.width * bpp + 1;
  EXPECT_EQ(lines.size(), stride * out.height);
  out.rgb.resize(size_t(out.width) * out.height * 3);
  for (size_t y = 0; y < size_t(out.height); ++y)
    for (size_t x = 0; x < size_t(out.width); ++x) {
      const uint8_t* px = &lines[y * stride + 1 + x * bpp];
      const uint8_t* rgb = colourType == 3 ? &palette[*px * 3] : px;
      std::copy(rgb, rgb + 3, &out.rgb[(y * out.width + x) * 3]);
    }
  return out;
}

sim::Raster Png(const sim::SurfaceState& surface, const sim::HostSummary& host = {}) {
  return DecodePng(sim::EncodePng(sim::Rasterise(sim::BuildPicture(surface, host))));
}

uint8_t* LightByte(sim::SurfaceState& s, const LayoutRow& row) {
  return row.light.status == midi::STATUS_CH14 ? &s.ch14[row.light.controller] : &s.ch15[row.light.controller];
}

// A session in progress: bank 1, strip 37 selected, faders up, a few lights.
void SampleSession(sim::SurfaceState& s, sim::HostSummary& host) {
  for (int p = 0; p < 32; ++p) s.faders[p] = static_cast<uint8_t>((p * 37 + 20) % 128);
  s.faders[5] = 127;
  s.faders[6] = 0;
  for (int p : {2, 9, 17}) s.ch14[midi::LED_MUTE + p] = s.latched[midi::CC_MUTE_FIRST + p] = 127;
  s.ch14[midi::LED_SOLO + 4] = s.latched[midi::CC_SOLO_FIRST + 4] = 127;
  s.ch14[midi::LED_REC_ARM + 5] = s.ch14[midi::LED_REC_ARM + 6] = 127;
  s.ch14[midi::LED_AUTO_ARM + 12] = 127;
  s.ch15[midi::LED_SELECT + 5] = s.ch15[midi::LED_KNOB_STRIP + 3] = 127;
  s.ch15[midi::LED_PLAY] = s.ch15[midi::LED_RECORD] = s.ch15[midi::LED_ARROW_UP] = 127;
  s.ch15[midi::DIGIT_LEFT] = midi::HighDigit(0x7F);
  s.ch15[midi::DIGIT_RIGHT] = midi::LowDigit(0x7F);
  s.sendKnobs[0] = 0, s.sendKnobs[1] = 32, s.sendKnobs[2] = 64, s.sendKnobs[3] = 100, s.sendKnobs[4] = 127;
  s.panKnob = 64;
  host.bank = 1, host.selectedStrip = 37, host.knobStrip = 35;
  host.lines = {"Transport: recording, now 1234 ticks",
                "Strips: 40 (window 32-63)",
                "",
                "strip  vol    pan   M S R A",
                "32     0.157  0.50  - - - -",
                "34     0.630  0.50  M - - -",
                "36     0.472  0.50  - S - -",
                "37     1.000  0.50  - - R -",
                "38     0.000  0.50  - - R -",
                "Markers: 1 at 960 <start> & more",
                "a line that is far too long to fit into the panel beside the surface, so it is cut short"};
}

}  // namespace

TEST(SnapshotPictureTest, EveryLightChangesThePngPixelAtItsCentre) {
  sim::SurfaceState dark, lit;
  for (const LayoutRow& row : sim::SurfaceLayout())
    if (row.light.Present()) *LightByte(lit, row) = row.kind == sim::Kind::Digit ? 0x7F : midi::LED_ON;
  const sim::Raster off = Png(dark), on = Png(lit);
  ASSERT_EQ(off.width, sim::BuildPicture(dark, {}).width);
  for (const LayoutRow& row : sim::SurfaceLayout()) {
    if (!row.light.Present()) continue;
    const int x = row.rect.CentreX(), y = row.rect.CentreY();
    EXPECT_NE(off.At(x, y), on.At(x, y)) << row.name;
  }
  // A fader's cap moves with its position.
  sim::SurfaceState up;
  up.faders[7] = 127;
  const sim::Rect cap = sim::FaderCap(*sim::FindRow("fader 7"), 127);
  EXPECT_NE(Png(up).At(cap.x + 1, cap.y + 2), off.At(cap.x + 1, cap.y + 2));
}

TEST(SnapshotPictureTest, PngOfManyColoursIsTrueColourAndReadsBack) {
  sim::Raster many;
  many.width = 40, many.height = 20;  // 800 colours: more than a palette holds
  for (int i = 0; i < many.width * many.height; ++i)
    many.rgb.insert(many.rgb.end(), {uint8_t(i), uint8_t(i >> 8), uint8_t(i * 7)});
  const std::vector<uint8_t> png = sim::EncodePng(many);
  EXPECT_EQ(png[25], 2);  // IHDR colour type: RGB
  EXPECT_EQ(DecodePng(png).rgb, many.rgb);
}

TEST(SnapshotPictureTest, SvgEscapesTheHostLines) {
  sim::HostSummary host;
  host.lines = {"marker <start> & \"end\""};
  const std::string svg = sim::RenderSvg(sim::BuildPicture({}, host));
  EXPECT_NE(svg.find("marker &lt;start&gt; &amp; &quot;end&quot;"), std::string::npos);
  EXPECT_EQ(svg.find("<start>"), std::string::npos);
}

TEST(SnapshotPictureTest, HostSummaryOutOfRangeIsDrawnSafely) {
  sim::HostSummary host;
  host.bank = 1 << 30, host.selectedStrip = INT_MIN, host.knobStrip = INT_MAX;
  EXPECT_NE(sim::RenderSvg(sim::BuildPicture({}, host)).find("strips 0-31"), std::string::npos);

  // Lines beyond four columns are counted, not drawn.
  host.lines.assign(10000, std::string(500, 'x'));
  const sim::DisplayList list = sim::BuildPicture({}, host);
  EXPECT_LT(list.width, 4000);  // four columns at most
  EXPECT_NE(sim::RenderSvg(list).find("more lines"), std::string::npos);
}

// Writes the sample pictures into the build folder, to be looked at.
TEST(SnapshotPictureTest, WritesTheSampleSnapshot) {
  sim::SurfaceState surface;
  sim::HostSummary host;
  SampleSession(surface, host);
  const std::string dir = SIM_PICTURE_OUTPUT_DIR;
  EXPECT_TRUE(sim::WriteSnapshot(surface, host, dir + "/sample_snapshot.svg", dir + "/sample_snapshot.png"));
  std::FILE* png = std::fopen((dir + "/sample_snapshot.png").c_str(), "rb");
  ASSERT_NE(png, nullptr);
  std::fclose(png);
  EXPECT_FALSE(sim::WriteSnapshot(surface, host, dir + "/no/such/folder/a.svg", dir + "/no/such/folder/a.png"));
}
