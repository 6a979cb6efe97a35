// Threads as a host and the page drive them: one delivers MIDI, one
// refreshes, one writes settings bytes without the lock, and the host
// attaches and detaches between rounds. Built in every native preset; the
// native-tsan preset is where it proves the absence of races and deadlocks.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fake_host.h"
#include "midi_map.h"
#include "tavrel.h"

namespace {

constexpr int kRounds = 12;
constexpr int kMessagesPerRound = 3000;

TEST(ThreadStressTest, MidiRefreshAndPageWritesRunTogether) {
  ResetModuleStateForTesting();
  FakeHost host;
  host.stripCount = 40;
  auto* surface = new CTavrel;

  for (int round = 0; round < kRounds; ++round) {
    ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
    std::atomic<bool> midiDone{false};

    std::thread midi([&] {
      static const uint8_t kStatuses[] = {midi::STATUS_CH14, midi::STATUS_CH15, midi::STATUS_CH16};
      for (int i = 0; i < kMessagesPerRound; ++i) {
        const uint8_t status = kStatuses[i % 3];
        const auto controller = static_cast<uint8_t>((i * 7 + round) & 0x7F);
        const auto value = static_cast<uint8_t>((i * 13) & 0x7F);
        surface->OnShortMidi(midi::Pack(status, controller, value));
        if (i % 97 == 0) {
          const BYTE shuttle[10] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x01, static_cast<BYTE>(i & 0x7F), 0, 0xF7};
          surface->OnLongMidi(sizeof shuttle, shuttle);
        }
      }
      midiDone = true;
    });
    std::thread refresh([&] {
      for (int i = 0; !midiDone || i < 20; ++i) surface->RefreshFeedback(i % 5, 0);
    });
    std::thread page([&] {
      // The page writes single bytes from the UI thread, never taking the lock.
      for (int i = 0; !midiDone; ++i) {
        surface->SetConfigByte(static_cast<size_t>(i % 17), static_cast<uint8_t>(i % 3));
        (void)surface->ConfigByte(static_cast<size_t>((i + 5) % 30));
      }
    });
    midi.join();
    refresh.join();
    page.join();

    ASSERT_EQ(surface->DetachHost(), S_OK);
    for (int i = 0; i < static_cast<int>(HostInterface::Count); ++i)
      EXPECT_EQ(host.RefCount(static_cast<HostInterface>(i)), 0) << "round " << round << " interface " << i;
    EXPECT_FALSE(host.SawUnexpected());
    host.ClearLog();
  }
  EXPECT_EQ(surface->Release(), 0u);
}

}  // namespace
