// The simulator's MIDI ports on the loopback cable, in one process, where
// the cable's switch and counters can be set and read between two steps:
// an input whose device goes away while one of its buffers is out, a flood
// its receiver cannot take, and a close while input flows.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "cable.h"
#include "midi_map.h"
#include "run/midi_ports.h"

namespace {

using sim::MidiInputPort;
using sim::MidiOutputPort;

constexpr char kPort[] = "Tavrel Loop A";
constexpr DWORD kPatienceMs = 60000;  // a guard against a hang, never a measure

loopback::PortState& Cable() {
  static loopback::Cable cable;
  static const bool open = cable.Open();
  EXPECT_TRUE(open);
  return cable.Port(0);
}

template <class Done>
bool Eventually(Done done) {
  for (const DWORD begin = GetTickCount(); !done(); Sleep(1))
    if (GetTickCount() - begin > kPatienceMs) return false;
  return true;
}

const std::vector<uint8_t> kShuttle = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x00, 0x64, 0x00, 0xF7};
const uint32_t kMute3 = midi::Pack(0xBD, 0x03, 0x7F);

TEST(SimulatorPorts, AnInputThatFailsWhileOpenIsReportedOnceAndOpensAgain) {
  std::string error;
  MidiOutputPort out(true);  // the surface's side: it sends system-exclusive messages too
  ASSERT_TRUE(out.Open(kPort, nullptr, &error)) << error;
  std::mutex mutex;
  std::vector<std::string> failures;
  std::vector<uint32_t> words;
  MidiInputPort in;
  // The device goes away while the buffer of the message it just delivered is out.
  const auto unplugOnSysex = [&](uint32_t word, const std::vector<uint8_t>* sysex) {
    if (sysex != nullptr) Cable().switches.store(loopback::kFailDelivery);
    std::lock_guard<std::mutex> lock(mutex);
    words.push_back(sysex ? 0 : word);
    return true;
  };
  const auto failed = [&](const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex);
    failures.push_back(what);
  };
  ASSERT_TRUE(in.Open(kPort, unplugOnSysex, failed, &error)) << error;
  out.TapIn(0, &kShuttle);
  ASSERT_TRUE(Eventually([&] { return in.Failed(); }));
  Cable().switches.store(0);
  out.TapIn(kMute3, nullptr);  // reaches the port, which no longer hands anything on
  EXPECT_TRUE(Eventually([&] { return in.Dropped() == 1; }));
  {
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(words, std::vector<uint32_t>{0});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind("MIDI input \"Tavrel Loop A\" failed: a buffer cannot be queued again (", 0), 0u)
        << failures[0];
  }

  ASSERT_TRUE(in.Open(kPort, unplugOnSysex, failed, &error)) << error;
  out.TapIn(kMute3, nullptr);
  EXPECT_TRUE(Eventually([&] { return in.Received() == 1; }));
  EXPECT_EQ(in.Close(), "");
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(words, std::vector<uint32_t>({0, kMute3}));
  EXPECT_EQ(failures.size(), 1u);
}

// Everything the driver handed over is either taken or counted as dropped.
void ExpectEveryMessageCounted(const MidiInputPort& in, uint32_t deliveredBefore) {
  EXPECT_EQ(in.Received() + in.Dropped(), Cable().delivered.load() - deliveredBefore);
}

// The receiver holds its first message while more come than the port's
// ring holds, then a system-exclusive message for every buffer the port
// has: the short messages beyond the ring are dropped and counted, and every
// buffer gets back to be queued again. Sent in bursts the cable delivers
// whole, so that all of it reaches the port.
TEST(SimulatorPorts, AFloodTheReceiverCannotTakeIsDroppedAndCounted) {
  std::string error;
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  MidiInputPort in;
  const uint32_t before = Cable().delivered.load();
  ASSERT_TRUE(in.Open(
      kPort, [&](uint32_t, const std::vector<uint8_t>*) { return WaitForSingleObject(go, kPatienceMs) == 0; }, nullptr,
      &error))
      << error;
  MidiOutputPort out(true);
  ASSERT_TRUE(out.Open(kPort, nullptr, &error)) << error;
  const auto delivered = [&](uint64_t count) {
    return Eventually([&] { return Cable().delivered.load() - before == count; });
  };
  constexpr int kBursts = 12, kBurst = 100, kBuffers = 4;
  for (int burst = 0; burst < kBursts; ++burst) {
    for (int i = 0; i < kBurst; ++i) out.TapIn(midi::Pack(0xBF, 0x00, static_cast<uint8_t>(i)), nullptr);
    ASSERT_TRUE(delivered(out.Sent()));
  }
  for (int i = 0; i < kBuffers; ++i) out.TapIn(0, &kShuttle);
  ASSERT_TRUE(delivered(out.Sent()));
  EXPECT_GT(in.Dropped(), 0u);
  SetEvent(go);
  EXPECT_TRUE(Eventually([&] { return in.Received() + in.Dropped() == out.Sent(); }));
  const uint64_t received = in.Received();
  for (int i = 0; i < kBuffers; ++i) out.TapIn(0, &kShuttle);
  EXPECT_TRUE(Eventually([&] { return in.Received() == received + kBuffers; }));
  EXPECT_EQ(in.Close(), "");
  ExpectEveryMessageCounted(in, before);
  CloseHandle(go);
}

TEST(SimulatorPorts, ClosingWhileInputFlowsIsCleanAndTheInputOpensAgain) {
  std::string error;
  MidiInputPort in;
  const uint32_t before = Cable().delivered.load();
  const auto take = [](uint32_t, const std::vector<uint8_t>*) { return true; };
  ASSERT_TRUE(in.Open(kPort, take, nullptr, &error)) << error;
  MidiOutputPort out(true);
  ASSERT_TRUE(out.Open(kPort, nullptr, &error)) << error;
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    for (int i = 0; !stop; ++i) {
      if (i % 8 == 0) out.TapIn(0, &kShuttle);
      out.TapIn(kMute3, nullptr);
    }
  });
  EXPECT_TRUE(Eventually([&] { return in.Received() > 200; }));
  EXPECT_EQ(in.Close(), "");
  const uint64_t atClose = in.Received() + in.Dropped();
  EXPECT_TRUE(Eventually([&] { return out.Sent() > 2 * atClose; }));  // still flowing, to nobody
  stop = true;
  sender.join();
  EXPECT_EQ(atClose, Cable().delivered.load() - before);
  ASSERT_TRUE(in.Open(kPort, take, nullptr, &error)) << error;  // not left taken in this process
  EXPECT_EQ(in.Close(), "");
}

}  // namespace

int main(int argc, char** argv) {
  unsigned id = 0;
  std::string error;
  if (!sim::FindPort(true, kPort, &id, &error)) {
    std::printf("FAIL: %s\n(the test's prefix needs the loopback driver and %s set)\n", error.c_str(),
                loopback::kGateVariable);
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
