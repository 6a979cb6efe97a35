// The wire format: packing, scaling both ways, digits, jog and shuttle.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "midi_map.h"

using namespace midi;

namespace {

TEST(MidiMapTest, MessageWordPacking) {
  EXPECT_EQ(Pack(0xBE, 0x59, 127), 0x007F59BEu);
  const ShortMessage fader = Unpack(0x00400DBFu);
  EXPECT_EQ(fader.status, 0xBF);
  EXPECT_EQ(fader.controller, 13);
  EXPECT_EQ(fader.value, 64);
  // High bits are ignored; data bytes are taken whole, not masked to 7 bits.
  const ShortMessage wide = Unpack(0xAAFF80BDu);
  EXPECT_EQ(wide.controller, 0x80);
  EXPECT_EQ(wide.value, 0xFF);
}

TEST(MidiMapTest, ScalingRoundTripsEverySevenBitValue) {
  EXPECT_EQ(ValueToLevel(0), 0.0f);
  EXPECT_EQ(ValueToLevel(127), 1.0f);
  for (uint32_t v = 0; v <= 127; ++v) {
    const float level = ValueToLevel(v);
    ASSERT_TRUE(LevelInRange(level)) << v;
    EXPECT_EQ(LevelToValue(level), static_cast<int>(v)) << v;
  }
  EXPECT_EQ(LevelToValue(1.0f), 127);
  EXPECT_EQ(LevelToValue(0.5f), 64);
}

TEST(MidiMapTest, LevelsOutsideTheRangeHaveNoValue) {
  EXPECT_FALSE(LevelInRange(-0.001f));
  EXPECT_FALSE(LevelInRange(1.5f));
  EXPECT_FALSE(LevelInRange(std::numeric_limits<float>::quiet_NaN()));
  // Bytes above 127 never give the host a level above 1.0.
  EXPECT_EQ(ClampedLevel(200), 1.0f);
  EXPECT_EQ(ClampedLevel(255), 1.0f);
  EXPECT_EQ(ClampedLevel(64), ValueToLevel(64));
}

TEST(MidiMapTest, Thresholds) {
  EXPECT_TRUE(ButtonOn(63));
  EXPECT_FALSE(ButtonOn(62));
  EXPECT_FALSE(KeyPressed(63));
  EXPECT_TRUE(KeyPressed(64));
}

TEST(MidiMapTest, DisplayDigits) {
  EXPECT_EQ(HighDigit(0x7F), 0x07);
  EXPECT_EQ(LowDigit(0x7F), 0x71);
  EXPECT_EQ(LowDigit(9), 0x67);  // no bottom segment on the 9
  EXPECT_EQ(HighDigit(0xFF), 0x71);
  for (uint8_t pattern : SEGMENT_PATTERNS) EXPECT_EQ(pattern & 0x80, 0);
}

TEST(MidiMapTest, JogDetents) {
  EXPECT_EQ(JogDetents(1), 1);
  EXPECT_EQ(JogDetents(63), 63);
  EXPECT_EQ(JogDetents(64), -63);
  EXPECT_EQ(JogDetents(126), -1);
  EXPECT_EQ(JogDetents(127), 0);
  EXPECT_FALSE(JogValueValid(128));
}

TEST(MidiMapTest, ShuttleDecoding) {
  BYTE message[12] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x41, 0x05, 0x00, 0xF7, 0, 0};
  int32_t move = 0;
  ASSERT_TRUE(DecodeShuttle(message, 10, &move));
  EXPECT_EQ(move, -133);
  message[6] = 0x3F;
  message[7] = 0x7F;
  ASSERT_TRUE(DecodeShuttle(message, 10, &move));
  EXPECT_EQ(move, 8191);
  message[8] = 0xAA;  // bytes 8 and 9 are not examined
  message[9] = 0x00;
  EXPECT_TRUE(DecodeShuttle(message, 10, &move));

  EXPECT_FALSE(DecodeShuttle(message, 9, &move));
  EXPECT_FALSE(DecodeShuttle(message, 11, &move));
  EXPECT_FALSE(DecodeShuttle(nullptr, 10, &move));
  message[2] = 0x7F;  // all-call device: not accepted
  EXPECT_FALSE(DecodeShuttle(message, 10, &move));
  message[2] = 0x00;
  message[6] = 0x80;  // a data byte with bit 7 set is no shuttle command
  EXPECT_FALSE(DecodeShuttle(message, 10, &move));
  message[6] = 0x00;
  message[7] = 0xFF;
  EXPECT_FALSE(DecodeShuttle(message, 10, &move));
}

}  // namespace
