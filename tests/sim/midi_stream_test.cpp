// The byte-stream reader: what a capture's bytes read as, and what is reported.
#include <gtest/gtest.h>

#include <cstdio>

#include "language/midi_stream.h"

namespace {

struct Row {
  const char* name;
  std::vector<uint8_t> bytes;
  const char* messages;  // "offset:hex" per message, short messages as status data1 data2
  const char* reports;   // "offset:words" per report, the report's first words
};

std::string Messages(const std::vector<sim::StreamMessage>& messages) {
  std::string text;
  char item[32];
  for (const sim::StreamMessage& m : messages) {
    std::snprintf(item, sizeof item, "%s%zu:", text.empty() ? "" : " ", m.offset);
    text += item;
    if (m.sysex.empty()) {
      std::snprintf(item, sizeof item, "%06x", static_cast<unsigned>(m.word));
      text += item;
    } else {
      text += "sysex" + std::to_string(m.sysex.size());
    }
  }
  return text;
}

std::string Reports(const std::vector<sim::StreamReport>& reports) {
  std::string text;
  for (const sim::StreamReport& r : reports) {  // the offset and the first three words
    size_t cut = 0;
    for (int word = 0; word < 3 && cut != std::string::npos; ++word) cut = r.what.find(' ', cut + 1);
    text += (text.empty() ? "" : " | ") + std::to_string(r.offset) + ":" + r.what.substr(0, cut);
  }
  return text;
}

const std::vector<uint8_t> kShuttle = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x41, 0x05, 0x00, 0xF7};

const Row kRows[] = {
    {"running status", {0xBF, 0x03, 0x40, 0x04, 0x41, 0x05}, "0:4003bf 3:4104bf", "5:message cut short"},
    {"one data byte", {0xC0, 0x05, 0x06, 0xD1, 0x07}, "0:0005c0 2:0006c0 3:0007d1", ""},
    {"real time inside a message", {0xBF, 0xF8, 0x03, 0xFE, 0x40}, "1:0000f8 3:0000fe 0:4003bf", ""},
    {"real time inside sysex", {0xF0, 0x7F, 0xF8, 0x00, 0xF7}, "2:0000f8 0:sysex4", ""},
    {"shuttle", kShuttle, "0:sysex10", ""},
    {"sysex cancels running status", {0xBF, 0x03, 0x40, 0xF0, 0xF7, 0x05, 0x06}, "0:4003bf 3:sysex2", "5:2 stray data"},
    {"junk before a status", {0x01, 0x02, 0x03, 0xBE, 0x10, 0x7F}, "3:7f10be", "0:3 stray data"},
    {"stray f7 and undefined status",
     {0xF7, 0xF4, 0xBE, 0x10, 0x7F},
     "2:7f10be",
     "0:f7 outside a | 1:undefined status f4;"},
    {"status cuts a message short", {0xBF, 0x03, 0xBE, 0x10, 0x00}, "2:0010be", "0:message cut short"},
    {"status ends an open sysex", {0xF0, 0x7F, 0x00, 0xBE, 0x10, 0x00}, "3:0010be", "0:system-exclusive message of"},
    {"truncated sysex", {0xBE, 0x10, 0x00, 0xF0, 0x7F}, "0:0010be", "3:system-exclusive message of"},
    {"system common, then no running status", {0xF2, 0x01, 0x02, 0xF6, 0x03}, "0:0201f2 3:0000f6", "4:1 stray data"},
};

TEST(MidiStream, ReadsRows) {
  for (const Row& row : kRows) {
    const sim::StreamResult result = sim::ReadMidiStream(row.bytes.data(), row.bytes.size());
    EXPECT_EQ(Messages(result.messages), row.messages) << row.name;
    EXPECT_EQ(Reports(result.reports), row.reports) << row.name;
  }
}

TEST(MidiStream, DropsSysexOverTheLimitAndReadsOn) {
  std::vector<uint8_t> bytes = kShuttle;
  bytes.insert(bytes.end(), kShuttle.begin(), kShuttle.end());
  bytes.insert(bytes.begin() + 12, 0xF8);  // real time does not count towards the length
  const sim::StreamResult ok = sim::ReadMidiStream(bytes.data(), bytes.size(), 10);
  EXPECT_EQ(Messages(ok.messages), "0:sysex10 12:0000f8 10:sysex10");
  bytes.insert(bytes.begin() + 5, 0x00);
  const sim::StreamResult over = sim::ReadMidiStream(bytes.data(), bytes.size(), 10);
  EXPECT_EQ(Messages(over.messages), "13:0000f8 11:sysex10");
  EXPECT_EQ(Reports(over.reports), "0:system-exclusive message of");
  EXPECT_NE(over.reports[0].what.find("11 bytes is over the limit of 10"), std::string::npos);
}

TEST(MidiStream, CountsStrayBytesAndNeverStopsOnGarbage) {
  std::vector<uint8_t> bytes;
  uint32_t state = 12345;
  for (int i = 0; i < 100000; ++i) bytes.push_back(static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 16));
  const sim::StreamResult result = sim::ReadMidiStream(bytes.data(), bytes.size(), 64);
  size_t lastOffset = 0;
  for (const sim::StreamReport& report : result.reports) {
    EXPECT_GE(report.offset, lastOffset);
    EXPECT_LT(report.offset, bytes.size());
    lastOffset = report.offset;
  }
  for (const sim::StreamMessage& m : result.messages) EXPECT_LE(m.sysex.size(), 64u);
  EXPECT_GT(result.messages.size(), 1000u);
}

}  // namespace

#include "language/capture.h"

namespace {

TEST(Capture, ReadsHexDumpsAndRawBytes) {
  const sim::Capture dump = sim::ParseCapture("# a comment\n00000000: bf 03 40  |..@|\n+12ms 04 41 # on\n+3ms zz 05\n");
  EXPECT_TRUE(dump.text && dump.timed);
  EXPECT_EQ(dump.bytes, (std::vector<uint8_t>{0xBF, 0x03, 0x40, 0x04, 0x41, 0x05}));
  EXPECT_EQ(dump.atMs, (std::vector<int64_t>{0, 0, 0, 12, 12, 15}));
  EXPECT_EQ(dump.errors, std::vector<std::string>{"line 4: \"zz\" is not a hex byte; skipped"});
  EXPECT_EQ(sim::Where(dump, 5), "byte 5 (line 4)");
  const std::string raw = "\xbf\x03\x40";
  const sim::Capture bytes = sim::ParseCapture(raw);
  EXPECT_FALSE(bytes.text);
  EXPECT_EQ(bytes.bytes.size(), 3u);
  sim::CaptureWriter writer;
  writer.Add(5, dump.bytes.data(), 3);
  writer.Add(17, dump.bytes.data() + 3, 2);
  const sim::Capture again = sim::ParseCapture(writer.Text());
  EXPECT_EQ(again.atMs, (std::vector<int64_t>{5, 5, 5, 17, 17}));
}

// Bytes written without spaces are bytes; offset columns are not; an odd
// run of digits is refused with its line.
TEST(Capture, HexWithoutSpaces) {
  struct Dump {
    const char* text;
    std::vector<uint8_t> bytes;
    size_t errors;
  };
  const Dump dumps[] = {
      {"bf0340\n", {0xBF, 0x03, 0x40}, 0},
      {"+5ms bf0340 be10\n", {0xBF, 0x03, 0x40, 0xBE, 0x10}, 0},
      {"00000010: bf0340\n", {0xBF, 0x03, 0x40}, 0},
      {"00000000  bf 03 40  |..@|\n00000003\n", {0xBF, 0x03, 0x40}, 0},
      {"bf034\n", {}, 1},
  };
  for (const Dump& dump : dumps) {
    const sim::Capture capture = sim::ParseCapture(dump.text);
    EXPECT_EQ(capture.bytes, dump.bytes) << dump.text;
    EXPECT_EQ(capture.errors.size(), dump.errors) << dump.text;
  }
}

}  // namespace
