#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "midi_map.h"
#include "picture/picture.h"
#include "picture/png_writer.h"
#include "picture/snapshot.h"
#include "picture/svg_writer.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

using sim::Colour;
using sim::LayoutRow;

namespace {

// Reads a PNG back with stb_image, a decoder apart from the writer.
sim::Raster DecodePng(const std::vector<uint8_t>& png) {
  sim::Raster out;
  int channels = 0;
  uint8_t* pixels =
      stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &out.width, &out.height, &channels, 3);
  EXPECT_NE(pixels, nullptr) << stbi_failure_reason();
  if (pixels == nullptr) return out;
  out.rgb.assign(pixels, pixels + size_t(out.width) * out.height * 3);
  stbi_image_free(pixels);
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

TEST(SnapshotPictureTest, PngOfManyColoursReadsBack) {
  sim::Raster many;
  many.width = 40, many.height = 20;  // 800 colours: more than a palette holds
  for (int i = 0; i < many.width * many.height; ++i)
    many.rgb.insert(many.rgb.end(), {uint8_t(i), uint8_t(i >> 8), uint8_t(i * 7)});
  EXPECT_EQ(DecodePng(sim::EncodePng(many)).rgb, many.rgb);
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
  std::fseek(png, 0, SEEK_END);
  EXPECT_LT(std::ftell(png), 100000);  // compressed: the stored image was about a megabyte
  std::fclose(png);
  EXPECT_FALSE(sim::WriteSnapshot(surface, host, dir + "/no/such/folder/a.svg", dir + "/no/such/folder/a.png"));
}
