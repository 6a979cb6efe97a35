#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "midi_map.h"
#include "picture/surface_layout.h"

using namespace midi;
using sim::Address;
using sim::LayoutRow;
using sim::SurfaceLayout;

namespace {

using AddressCount = std::map<std::pair<int, int>, int>;

void AddRange(AddressCount& set, uint8_t status, uint8_t first, int count) {
  for (int i = 0; i < count; ++i) set[{status, first + i}] = 0;
}

AddressCount MapLights() {
  AddressCount lights;
  for (uint8_t first : {LED_MUTE, LED_REC_ARM, LED_SOLO, LED_AUTO_ARM}) AddRange(lights, STATUS_CH14, first, 32);
  for (uint8_t first : {LED_KNOB_STRIP, LED_SELECT}) AddRange(lights, STATUS_CH15, first, 32);
  for (uint8_t led :
       {LED_RECORD, LED_TRANSPORT_57, LED_PLAY, LED_ARROW_UP, LED_ARROW_DOWN, LED_5B, LED_5C, DIGIT_LEFT, DIGIT_RIGHT})
    lights[{STATUS_CH15, led}] = 0;
  return lights;
}

AddressCount MapInputs() {
  AddressCount inputs;
  AddRange(inputs, STATUS_CH14, CC_MUTE_FIRST, 128);
  AddRange(inputs, STATUS_CH15, CC_KNOB_STRIP_FIRST, 64);
  AddRange(inputs, STATUS_CH15, CC_STORE_KEY, CC_CURSOR_RIGHT - CC_STORE_KEY + 1);
  AddRange(inputs, STATUS_CH16, CC_FADER_FIRST, 32);
  AddRange(inputs, STATUS_CH16, CC_SEND_C, CC_PAN_KNOB - CC_SEND_C + 1);
  for (uint8_t cc : {CC_FOOTSWITCH, CC_JOG_WHEEL}) inputs[{STATUS_CH16, cc}] = 0;
  return inputs;
}

// Counts each row's address into `placed`; any address the map lacks fails.
void ExpectPlacedOnce(AddressCount placed, Address LayoutRow::*field, const char* what) {
  for (const LayoutRow& row : SurfaceLayout()) {
    const Address a = row.*field;
    if (!a.Present() || (field == &LayoutRow::light && row.sharesLight)) continue;
    auto it = placed.find({a.status, a.controller});
    ASSERT_NE(it, placed.end()) << row.name << " has a " << what << " outside the MIDI map";
    ++it->second;
  }
  for (const auto& [address, count] : placed)
    EXPECT_EQ(count, 1) << what << " " << std::hex << address.first << " " << address.second;
}

}  // namespace

TEST(SurfaceLayoutTest, EveryLightAndInputOfTheMapIsPlacedOnce) {
  ExpectPlacedOnce(MapLights(), &LayoutRow::light, "light");
  ExpectPlacedOnce(MapInputs(), &LayoutRow::input, "input");
  // The store key's light is the one shared address: solo of position 1 on the wire.
  int shared = 0;
  for (const LayoutRow& row : SurfaceLayout()) {
    if (!row.sharesLight) continue;
    ++shared;
    EXPECT_STREQ(row.name, "store");
    EXPECT_EQ(row.light, (Address{STATUS_CH14, LED_STORE}));
    EXPECT_STREQ(sim::FindByLight(row.light)->name, "solo 1");
  }
  EXPECT_EQ(shared, 1);
}

TEST(SurfaceLayoutTest, RowsLieInsideTheSurfaceApartWithUniqueNames) {
  const auto& rows = SurfaceLayout();
  std::set<std::string> names;
  for (size_t i = 0; i < rows.size(); ++i) {
    const sim::Rect r = rows[i].rect, s = sim::SurfaceBounds();
    EXPECT_TRUE(r.w > 0 && r.h > 0 && r.x >= s.x && r.y >= s.y && r.x + r.w <= s.w && r.y + r.h <= s.h) << rows[i].name;
    EXPECT_TRUE(names.insert(rows[i].name).second) << "two rows named " << rows[i].name;
    for (size_t j = i + 1; j < rows.size(); ++j)
      EXPECT_FALSE(r.Overlaps(rows[j].rect)) << rows[i].name << " overlaps " << rows[j].name;
  }
}

TEST(SurfaceLayoutTest, HitTestAndNamesFindTheRow) {
  for (const LayoutRow& row : SurfaceLayout()) {
    const sim::Rect r = row.rect;
    EXPECT_EQ(sim::HitTest(r.CentreX(), r.CentreY()), &row) << row.name;
    EXPECT_EQ(sim::HitTest(r.x, r.y), &row) << row.name;
    EXPECT_EQ(sim::HitTest(r.x + r.w - 1, r.y + r.h - 1), &row) << row.name;
    EXPECT_EQ(sim::FindRow(row.name), &row);
  }
  const sim::Rect mute0 = sim::FindRow("mute 0")->rect, mute1 = sim::FindRow("mute 1")->rect;
  EXPECT_EQ(sim::HitTest(mute0.x + mute0.w, mute0.CentreY()), nullptr);  // the gap between two buttons
  EXPECT_LT(mute0.x + mute0.w, mute1.x);
  EXPECT_EQ(sim::HitTest(-1, -1), nullptr);

  // Names a script uses, and the addresses they stand for.
  const struct {
    const char* name;
    Address input;
  } named[] = {
      {"mute 3", {STATUS_CH14, CC_MUTE_FIRST + 3}},
      {"auto 31", {STATUS_CH14, CC_AUTO_ARM_LAST}},
      {"select 2", {STATUS_CH15, CC_SELECT_FIRST + 2}},
      {"F1", {STATUS_CH15, CC_FUNCTION_F1}},
      {"F9", {STATUS_CH15, CC_FUNCTION_F9}},
      {"store", {STATUS_CH15, CC_STORE_KEY}},
      {"left", {STATUS_CH15, CC_CURSOR_LEFT}},
      {"right", {STATUS_CH15, CC_CURSOR_RIGHT}},
      {"record", {STATUS_CH15, CC_TRANSPORT_LAST}},
      {"send A", {STATUS_CH16, CC_SEND_A}},
      {"send C", {STATUS_CH16, CC_SEND_C}},
      {"pan", {STATUS_CH16, CC_PAN_KNOB}},
      {"fader 31", {STATUS_CH16, CC_FADER_LAST}},
      {"jog", {STATUS_CH16, CC_JOG_WHEEL}},
  };
  for (const auto& n : named) {
    ASSERT_NE(sim::FindRow(n.name), nullptr) << n.name;
    EXPECT_EQ(sim::FindRow(n.name)->input, n.input) << n.name;
    EXPECT_EQ(sim::FindByInput(n.input), sim::FindRow(n.name)) << n.name;
  }
  EXPECT_EQ(sim::FindRow("mute 32"), nullptr);
}

TEST(SurfaceLayoutTest, FaderCapAndPointerAgree) {
  const LayoutRow& fader = *sim::FindRow("fader 5");
  for (int v = 0; v <= 127; ++v) EXPECT_EQ(sim::FaderValueAt(fader, sim::FaderCap(fader, v).CentreY()), v);
  EXPECT_EQ(sim::FaderValueAt(fader, fader.rect.y - 50), 127);
  EXPECT_EQ(sim::FaderValueAt(fader, fader.rect.y + fader.rect.h + 50), 0);
  EXPECT_EQ(sim::FaderCap(fader, 200).y, fader.rect.y);
}

// The control table's names: each once, each found again by what it is
// (a control by FindControl, a light by FindLight), and no alias that hides
// another row's name among the rows of its kind.
TEST(ControlTableTest, EveryNameIsUniqueAndFindsItsRow) {
  std::set<std::string> names;
  for (const sim::Control& c : sim::Controls()) {
    EXPECT_TRUE(names.insert(c.name).second) << "two rows named " << c.name;
    const sim::Control* (*find)(const std::string&) = c.status != 0 ? sim::FindControl : sim::FindLight;
    EXPECT_EQ(find(c.name), &c) << c.name;
    if (c.alias != nullptr) {
      EXPECT_TRUE(names.insert(std::string("alias ") + c.alias).second) << c.alias;
      EXPECT_EQ(find(c.alias), &c) << c.alias;
    }
  }
  EXPECT_EQ(sim::FindLight("play")->light, (Address{STATUS_CH15, LED_PLAY}));  // the lamp, not the key
  EXPECT_EQ(sim::FindRow("play")->input, (Address{STATUS_CH15, CC_TRANSPORT_FIRST + 1}));
  EXPECT_EQ(sim::FindLightRow("up")->light, (Address{STATUS_CH15, LED_ARROW_UP}));
}
