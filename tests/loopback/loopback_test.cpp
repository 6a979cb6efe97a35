// The loopback cable through plain winmm, as any program sees it: its ports
// listed, short and system-exclusive messages carried within one process and
// between two, the switch of a port, a flood, a close while input flows.
// The same program is its own peer process:
//   loopback_tests --peer script|flood PORT [COUNT]
#include <gtest/gtest.h>
#include <windows.h>
// winmm after windows.h, which it builds on
#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "cable.h"

namespace {

constexpr DWORD kPatienceMs = 120000;  // a guard against a hang (a loaded machine starts Wine slowly), never a measure

std::string Here() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string PortName(char letter) { return std::string(loopback::kPortNamePrefix) + letter; }

int FindPort(bool input, const std::string& name) {
  const UINT count = input ? midiInGetNumDevs() : midiOutGetNumDevs();
  for (UINT i = 0; i < count; ++i) {
    MIDIINCAPSA in = {};
    MIDIOUTCAPSA out = {};
    if (input ? midiInGetDevCapsA(i, &in, sizeof in) : midiOutGetDevCapsA(i, &out, sizeof out)) continue;
    if (name == (input ? in.szPname : out.szPname)) return static_cast<int>(i);
  }
  return -1;
}

// Starts a program of the prefix; `wait` for its exit code (-1 when it did not end).
HANDLE Start(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}
int Finish(HANDLE process) {
  DWORD code = static_cast<DWORD>(-1);
  if (process == nullptr) return -1;
  if (WaitForSingleObject(process, kPatienceMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) code = -1;
  CloseHandle(process);
  return static_cast<int>(code);
}
// A program in this program's folder, quoted for a command line.
std::string Beside(const char* program) {
  std::string line = Here();
  line.resize(line.rfind('\\') + 1);
  line.insert(line.begin(), '"');
  line.append(program);
  line.push_back('"');
  return line;
}
int Switch(const char* arguments) { return Finish(Start(Beside("loopback_ctl.exe") + " " + arguments)); }
HANDLE StartPeer(const char* arguments) { return Start(Beside("loopback_tests.exe") + " --peer " + arguments); }

// --- What is sent, and how it reads when it arrives ----------------------

struct Message {
  DWORD word;  // sent as a short message when `sysex` is empty
  DWORD arrives;
  std::vector<uint8_t> sysex;
};

std::vector<uint8_t> Sysex(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((seed + i) & 0x7F);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  return bytes;
}

// Control changes on the surface's channels, bytes a short message does not
// use (dropped on the way), and system-exclusive messages in a row, more
// than the two buffers the receiver queues, one of them longer than a piece
// of the cable's queue.
std::vector<Message> Script() {
  std::vector<Message> script = {
      {0x006E02BF, 0x006E02BF, {}},                                // fader 2 = 110 on channel 16
      {0x007F10BD, 0x007F10BD, {}}, {0xAA005DBE, 0x00005DBE, {}},  // a fourth byte is not part of the message
      {0x557734C5, 0x000034C5, {}},                                // program change: one data byte
      {0x000000F8, 0x000000F8, {}},                                // timing clock: no data byte
  };
  for (uint8_t i = 0; i < 6; ++i) script.push_back({0, 0, Sysex(10, i)});
  script.push_back({0x000001BF, 0x000001BF, {}});
  script.push_back({0, 0, Sysex(600, 9)});
  return script;
}

std::string Line(DWORD word) {
  char text[16];
  std::snprintf(text, sizeof text, "%02lx %02lx %02lx", word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF);
  return text;
}
std::string Line(const std::vector<uint8_t>& bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "sysex %zu bytes %02x %02x %02x .. %02x", bytes.size(), bytes[0], bytes[1], bytes[2],
                bytes.back());
  return text;
}
std::vector<std::string> Lines(const std::vector<Message>& messages) {
  std::vector<std::string> lines;
  for (const Message& m : messages) lines.push_back(m.sysex.empty() ? Line(m.arrives) : Line(m.sysex));
  return lines;
}

// --- The two ends, through winmm -----------------------------------------

class Output {
 public:
  ~Output() { Close(); }
  MMRESULT Open(char letter) {
    const int id = FindPort(false, PortName(letter));
    return id < 0 ? MMSYSERR_BADDEVICEID
                  : midiOutOpen(&m_handle, id, reinterpret_cast<DWORD_PTR>(&OnOutput),
                                reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
  }
  MMRESULT Send(const Message& message) {
    if (message.sysex.empty()) return midiOutShortMsg(m_handle, message.word);
    std::vector<uint8_t> bytes = message.sysex;
    MIDIHDR header = {};
    header.lpData = reinterpret_cast<LPSTR>(bytes.data());
    header.dwBufferLength = static_cast<DWORD>(bytes.size());
    MMRESULT result = midiOutPrepareHeader(m_handle, &header, sizeof header);
    if (result == MMSYSERR_NOERROR) result = midiOutLongMsg(m_handle, &header, sizeof header);
    if (result == MMSYSERR_NOERROR && !(header.dwFlags & MHDR_DONE)) result = MMSYSERR_ERROR;
    midiOutUnprepareHeader(m_handle, &header, sizeof header);
    return result;
  }
  void Close() {
    if (m_handle) midiOutClose(m_handle);
    m_handle = nullptr;
  }
  HMIDIOUT m_handle = nullptr;
  std::vector<UINT> m_callbacks;  // MOM_OPEN, MOM_DONE, MOM_CLOSE (on the sender's thread)

 private:
  static void CALLBACK OnOutput(HMIDIOUT, UINT message, DWORD_PTR self, DWORD_PTR, DWORD_PTR) {
    reinterpret_cast<Output*>(self)->m_callbacks.push_back(message);
  }
};

class Input {
 public:
  struct Event {
    UINT message;
    DWORD_PTR param1;
    DWORD stamp;
    std::vector<uint8_t> bytes;
  };
  Input() : m_arrived(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~Input() {
    Close();
    CloseHandle(m_arrived);
  }
  MMRESULT Open(char letter, int buffers) {
    const int id = FindPort(true, PortName(letter));
    MMRESULT result = id < 0 ? MMSYSERR_BADDEVICEID
                             : midiInOpen(&m_handle, id, reinterpret_cast<DWORD_PTR>(&OnInput),
                                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    for (int i = 0; i < buffers && result == MMSYSERR_NOERROR; ++i) {
      m_headers[i] = {};
      m_headers[i].lpData = m_buffers[i];
      m_headers[i].dwBufferLength = sizeof m_buffers[i];
      result = midiInPrepareHeader(m_handle, &m_headers[i], sizeof m_headers[i]);
      if (result == MMSYSERR_NOERROR) result = midiInAddBuffer(m_handle, &m_headers[i], sizeof m_headers[i]);
    }
    return result == MMSYSERR_NOERROR ? midiInStart(m_handle) : result;
  }
  // Waits until `count` messages have arrived, queueing again every buffer
  // that comes back, as a client of a real port does.
  bool Pump(size_t count) {
    const DWORD begin = GetTickCount();
    for (;;) {
      std::vector<MIDIHDR*> returned;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (; m_seen < m_events.size(); ++m_seen)
          if (m_events[m_seen].message == MIM_LONGDATA)
            returned.push_back(reinterpret_cast<MIDIHDR*>(m_events[m_seen].param1));
        if (m_messages >= count) return true;
      }
      for (MIDIHDR* header : returned) midiInAddBuffer(m_handle, header, sizeof *header);
      if (GetTickCount() - begin > kPatienceMs) return false;
      WaitForSingleObject(m_arrived, 100);
    }
  }
  // Stops, hands back the buffers, closes: every answer of winmm on the way.
  std::vector<MMRESULT> Close() {
    if (m_handle == nullptr) return {};
    std::vector<MMRESULT> results = {midiInStop(m_handle), midiInReset(m_handle)};
    for (MIDIHDR& header : m_headers)
      if (header.dwFlags & MHDR_PREPARED) results.push_back(midiInUnprepareHeader(m_handle, &header, sizeof header));
    results.push_back(midiInClose(m_handle));
    m_handle = nullptr;
    m_closed = true;
    return results;
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (const Event& event : Events()) {
      if (event.message == MIM_DATA) lines.push_back(Line(static_cast<DWORD>(event.param1)));
      if (event.message == MIM_LONGDATA && !event.bytes.empty()) lines.push_back(Line(event.bytes));
    }
    return lines;
  }

  HMIDIIN m_handle = nullptr;
  MIDIHDR m_headers[4] = {};
  HANDLE m_hold = nullptr;  // when set, the first message's callback waits for it
  std::atomic<bool> m_lateCallback{false};

 private:
  static void CALLBACK OnInput(HMIDIIN, UINT message, DWORD_PTR self, DWORD_PTR param1, DWORD_PTR param2) {
    auto* in = reinterpret_cast<Input*>(self);
    if (in->m_closed) in->m_lateCallback = true;
    Event event = {message, param1, static_cast<DWORD>(param2), {}};
    if (message == MIM_LONGDATA) {
      const auto* header = reinterpret_cast<const MIDIHDR*>(param1);
      event.bytes.assign(header->lpData, header->lpData + header->dwBytesRecorded);
    }
    const bool counts = message == MIM_DATA || (message == MIM_LONGDATA && !event.bytes.empty());
    {
      std::lock_guard<std::mutex> lock(in->m_mutex);
      in->m_events.push_back(std::move(event));
      if (counts) ++in->m_messages;
    }
    if (counts && in->m_hold != nullptr && in->m_messages == 1) WaitForSingleObject(in->m_hold, kPatienceMs);
    SetEvent(in->m_arrived);
  }

  char m_buffers[4][1024] = {};
  std::mutex m_mutex;
  std::vector<Event> m_events;
  size_t m_seen = 0, m_messages = 0;
  HANDLE m_arrived = nullptr;
  std::atomic<bool> m_closed{false};
};

// For what the driver's own thread does: true once `done` holds.
template <class Done>
bool Eventually(Done done) {
  for (const DWORD begin = GetTickCount(); !done();)
    if (GetTickCount() - begin > kPatienceMs)
      return false;
    else
      Sleep(1);
  return true;
}

loopback::PortState& CableOf(char letter) {
  static loopback::Cable cable;
  static const bool open = cable.Open();
  EXPECT_TRUE(open);
  return cable.Port(static_cast<unsigned>(letter - 'A'));
}

// --- The tests -----------------------------------------------------------

TEST(LoopbackCable, ListsItsPortPairs) {
  for (char letter : {'A', 'B'}) {
    EXPECT_GE(FindPort(true, PortName(letter)), 0) << PortName(letter);
    EXPECT_GE(FindPort(false, PortName(letter)), 0) << PortName(letter);
  }
}

TEST(LoopbackCable, CarriesMessagesInOneProcessInOrderWithStamps) {
  Input in;
  Output out;
  ASSERT_EQ(in.Open('A', 2), MMSYSERR_NOERROR);
  ASSERT_EQ(out.Open('A'), MMSYSERR_NOERROR);
  const std::vector<Message> script = Script();
  for (const Message& message : script) EXPECT_EQ(out.Send(message), MMSYSERR_NOERROR);
  // What no port takes as a short message: no status, the start of a system-exclusive message, a stray data byte.
  for (DWORD bad : {0x00000040u, 0x000000F0u, 0x008002B0u})
    EXPECT_EQ(midiOutShortMsg(out.m_handle, bad), MMSYSERR_INVALPARAM);
  ASSERT_TRUE(in.Pump(script.size()));
  EXPECT_EQ(in.Lines(), Lines(script));

  // Stamps count from midiInStart and never go back; the client heard of the open first and the close last.
  const std::vector<Input::Event> events = in.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().message, static_cast<UINT>(MIM_OPEN));
  for (size_t i = 2; i < events.size(); ++i) EXPECT_LE(events[i - 1].stamp, events[i].stamp) << i;
  EXPECT_LT(events.back().stamp, kPatienceMs);
  for (MMRESULT result : in.Close()) EXPECT_EQ(result, MMSYSERR_NOERROR);
  EXPECT_EQ(in.Events().back().message, static_cast<UINT>(MIM_CLOSE));
  out.Close();
  EXPECT_EQ(out.m_callbacks, std::vector<UINT>({MOM_OPEN, MOM_DONE, MOM_DONE, MOM_DONE, MOM_DONE, MOM_DONE, MOM_DONE,
                                                MOM_DONE, MOM_CLOSE}));
}

TEST(LoopbackCable, CarriesMessagesFromAnotherProcess) {
  Input in;
  ASSERT_EQ(in.Open('B', 2), MMSYSERR_NOERROR);
  HANDLE peer = StartPeer("script B");
  ASSERT_NE(peer, nullptr);
  const bool arrived = in.Pump(Script().size());
  EXPECT_EQ(Finish(peer), 0);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(in.Lines(), Lines(Script()));
}

// The switch, flipped by the program that tests' scripts use, from another process.
TEST(LoopbackCable, SwitchedOffPortFailsAndOpensAgainWhenBack) {
  Input in;
  Output out;
  ASSERT_EQ(Switch("unplug A"), 0);
  EXPECT_EQ(out.Open('A'), MMSYSERR_NODRIVER);
  EXPECT_EQ(in.Open('A', 1), MMSYSERR_NODRIVER);
  ASSERT_EQ(Switch("plug A"), 0);
  ASSERT_EQ(out.Open('A'), MMSYSERR_NOERROR);
  ASSERT_EQ(in.Open('A', 1), MMSYSERR_NOERROR);

  ASSERT_EQ(Switch("unplug A send"), 0);
  EXPECT_EQ(midiOutShortMsg(out.m_handle, 0x000101BF), MMSYSERR_NODRIVER);
  ASSERT_EQ(Switch("unplug A delivery"), 0);
  const uint32_t dropped = CableOf('A').dropped.load();
  EXPECT_EQ(midiOutShortMsg(out.m_handle, 0x000202BF), MMSYSERR_NOERROR);  // the sender cannot tell
  EXPECT_EQ(midiInAddBuffer(in.m_handle, &in.m_headers[0], sizeof(MIDIHDR)), MMSYSERR_NODRIVER);
  EXPECT_TRUE(Eventually([&] { return CableOf('A').dropped.load() == dropped + 1; }));
  ASSERT_EQ(Switch("plug A"), 0);
  EXPECT_EQ(midiOutShortMsg(out.m_handle, 0x000303BF), MMSYSERR_NOERROR);
  ASSERT_TRUE(in.Pump(1));
  EXPECT_EQ(in.Lines(), std::vector<std::string>({"bf 03 03"}));
  EXPECT_EQ(CableOf('A').dropped.load(), dropped + 1);

  in.Close();
  out.Close();
  Input again;
  EXPECT_EQ(again.Open('A', 1), MMSYSERR_NOERROR);
}

// A peer floods the port while the receiver's callback is held: the sender
// finishes anyway and the overflow is counted. Then the receiver closes while
// what was queued still flows: every buffer comes back, nothing arrives after.
TEST(LoopbackCable, FloodIsCountedAndCloseWhileFlowingIsClean) {
  const uint32_t sentBefore = CableOf('A').sent.load(), droppedBefore = CableOf('A').dropped.load();
  Input in;
  in.m_hold = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(in.Open('A', 4), MMSYSERR_NOERROR);
  EXPECT_EQ(Finish(StartPeer("flood A 3000")), 0);
  EXPECT_EQ(CableOf('A').sent.load() - sentBefore, 3000u);
  EXPECT_GE(CableOf('A').dropped.load() - droppedBefore, 3000u - loopback::kSlots - 1);

  SetEvent(in.m_hold);
  for (MMRESULT result : in.Close()) EXPECT_EQ(result, MMSYSERR_NOERROR);
  const std::vector<Input::Event> events = in.Events();
  EXPECT_EQ(events.back().message, static_cast<UINT>(MIM_CLOSE));
  EXPECT_FALSE(in.m_lateCallback);
  size_t returned = 0;
  for (const Input::Event& event : events) returned += event.message == MIM_LONGDATA;
  EXPECT_EQ(returned, 4u);
  for (const MIDIHDR& header : in.m_headers) EXPECT_EQ(header.dwFlags & (MHDR_INQUEUE | MHDR_PREPARED), 0u);
  CloseHandle(in.m_hold);

  Input again;
  EXPECT_EQ(again.Open('A', 1), MMSYSERR_NOERROR);
}

// --- The peer process and the start --------------------------------------

int Peer(int argc, char** argv) {
  if (argc < 4 || std::strlen(argv[3]) != 1) return 2;
  Output out;
  if (out.Open(argv[3][0]) != MMSYSERR_NOERROR) return 3;
  int failures = 0;
  if (std::strcmp(argv[2], "script") == 0) {
    for (const Message& message : Script()) failures += out.Send(message) != MMSYSERR_NOERROR;
  } else if (std::strcmp(argv[2], "flood") == 0 && argc == 5) {
    const int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i) failures += midiOutShortMsg(out.m_handle, 0x000000BF | ((i & 0x7F) << 16)) != 0;
  } else {
    return 2;
  }
  return failures == 0 ? 0 : 4;
}

// Where the cable does not show: skipped (77) with the reason where it cannot
// (not Wine 8.0), otherwise a failure that says what is missing.
int NoCable() {
  using WineVersion = const char*(CDECL*)();
  const auto version = reinterpret_cast<WineVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
  if (version == nullptr) {
    std::printf("skipped: not running under Wine; the loopback cable is a driver of the tests' Wine prefixes\n");
    return 77;
  }
  if (std::strncmp(version(), "8.0", 3) != 0 || (version()[3] != '\0' && version()[3] != '.')) {
    std::printf(
        "skipped: Wine %s; the loopback driver is made for Wine 8.0, whose audio layer loads a driver "
        "without a Unix side\n",
        version());
    return 77;
  }
  char gate[8] = {};
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string driver = std::string(system) + "\\winetavrelloop.drv";
  std::printf("FAIL: no \"%sA\" port; %s=%s, %s %s\n", loopback::kPortNamePrefix, loopback::kGateVariable,
              GetEnvironmentVariableA(loopback::kGateVariable, gate, sizeof gate) ? gate : "(not set)", driver.c_str(),
              GetFileAttributesA(driver.c_str()) == INVALID_FILE_ATTRIBUTES ? "missing (wine-session.sh installs it)"
                                                                            : "present");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--peer") == 0) return Peer(argc, argv);
  if (FindPort(true, PortName('A')) < 0) return NoCable();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
