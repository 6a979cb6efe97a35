// The loopback cable's state, shared by every process of a Wine prefix: one
// queue per port pair (what output k sends, input k receives), the pair's
// switch and its counters. The driver, the switch program and the tests all
// read this one layout; it is the same for x64 and x86 processes (fixed-width
// fields only), so both kinds of process can share one cable.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace loopback {

constexpr unsigned kPorts = 2;  // "Tavrel Loop A", "Tavrel Loop B"
constexpr char kPortNamePrefix[] = "Tavrel Loop ";
inline char PortLetter(unsigned port) { return static_cast<char>('A' + port); }

// What the switch of a port pair makes fail; "unplugged" is all of it.
enum SwitchBits : uint32_t {
  kFailOpen = 1,      // opening output k or input k answers MMSYSERR_NODRIVER
  kFailSend = 2,      // sends on output k answer MMSYSERR_NODRIVER; nothing is queued
  kFailDelivery = 4,  // what reaches input k is dropped and counted; input k's
                      // midiInStart and midiInAddBuffer answer MMSYSERR_NODRIVER
  kUnplugged = kFailOpen | kFailSend | kFailDelivery,
};

// One queued message, or one piece of a long one: a long message takes
// consecutive slots, queued together or not at all.
constexpr uint32_t kSlots = 512;      // queue depth of each port, in slots
constexpr uint32_t kChunk = 244;      // bytes of a long message per slot
constexpr uint32_t kMaxLong = 65536;  // the longest long message, as winmm allows
static_assert((kMaxLong + kChunk - 1) / kChunk < kSlots, "a longest message fits an empty queue");
enum SlotKind : uint16_t {
  kShort = 1,
  kLongFirst = 2,  // flags of a piece of a long message
  kLongLast = 4,
};
struct Slot {
  uint32_t time;  // the sender's timeGetTime(): the cable itself takes no time
  uint16_t kind;
  uint16_t length;  // bytes of `data` used by a long piece
  uint32_t word;    // a short message, packed as winmm packs it
  uint8_t data[kChunk];
};
static_assert(sizeof(Slot) == 256);

// head and tail count slots and wrap as unsigned numbers. Senders move head
// while they hold the port's named mutex; the one listening process moves
// tail without it.
struct PortState {
  std::atomic<uint32_t> head;
  std::atomic<uint32_t> tail;
  std::atomic<uint32_t> listener;   // process id whose input k is open, 0 when none
  std::atomic<uint32_t> switches;   // SwitchBits
  std::atomic<uint32_t> sent;       // messages output k accepted
  std::atomic<uint32_t> delivered;  // messages input k handed to its client
  std::atomic<uint32_t> dropped;    // messages lost while input k was open: queue full,
                                    // port busy, delivery switched off, no buffer queued
  uint32_t reserved[9];
  Slot slots[kSlots];
};
static_assert(std::atomic<uint32_t>::is_always_lock_free);
static_assert(offsetof(PortState, slots) == 64);

constexpr uint32_t kMagic = 0x504F4F4C;  // "LOOP"
constexpr uint32_t kVersion = 1;
struct CableState {
  uint32_t magic, version, size, reserved;
  PortState ports[kPorts];
};

// Named objects of the prefix (Wine keeps one namespace per prefix) and the
// file behind the mapping, so that a switch set by a program that has ended
// still holds for the next one.
constexpr char kMappingName[] = "Local\\TavrelLoopback.state";
constexpr char kInitMutexName[] = "Local\\TavrelLoopback.init";
constexpr char kLockNameFormat[] = "Local\\TavrelLoopback.%c.lock";  // the port's letter
constexpr char kDataNameFormat[] = "Local\\TavrelLoopback.%c.data";  // set after every send
constexpr char kStateFile[] = "\\Temp\\TavrelLoopback.state";        // below the Windows folder

// The environment variable that makes the driver take over winmm's MIDI in
// a process; without it the prefix keeps its usual sound driver.
constexpr char kGateVariable[] = "TAVREL_MIDI_LOOPBACK";

}  // namespace loopback
