// The loopback cable's switch and counters, for tests and their scripts:
//   loopback_ctl status                       one line per port pair
//   loopback_ctl unplug PORT [open] [send] [delivery]   (none named: all three)
//   loopback_ctl plug PORT
//   loopback_ctl reset                        every port plugged, counters zero
// PORT is A, B, 0, 1 or the port's name. Exit 0 when done, 2 for a bad
// command line, 1 when the prefix gives no cable.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cable.h"

namespace {

using loopback::Cable;
using loopback::PortState;

int Usage() {
  std::fprintf(stderr,
               "usage: loopback_ctl status | unplug PORT [open] [send] [delivery] | plug PORT | reset\n"
               "PORT: A, B, 0, 1 or \"%sA\"\n",
               loopback::kPortNamePrefix);
  return 2;
}

void PrintStatus(Cable& cable) {
  for (unsigned port = 0; port < loopback::kPorts; ++port) {
    PortState& state = cable.Port(port);
    const uint32_t switches = state.switches.load();
    std::printf("%s%c: %s%s%s%s, listener %lu, queued %lu, sent %lu, delivered %lu, dropped %lu\n",
                loopback::kPortNamePrefix, loopback::PortLetter(port), switches ? "fails" : "plugged",
                switches & loopback::kFailOpen ? " open" : "", switches & loopback::kFailSend ? " send" : "",
                switches & loopback::kFailDelivery ? " delivery" : "",
                static_cast<unsigned long>(state.listener.load()),
                static_cast<unsigned long>(state.head.load() - state.tail.load()),
                static_cast<unsigned long>(state.sent.load()), static_cast<unsigned long>(state.delivered.load()),
                static_cast<unsigned long>(state.dropped.load()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* command = argv[1];
  unsigned port = 0;
  const bool portCommand = std::strcmp(command, "unplug") == 0 || std::strcmp(command, "plug") == 0;
  if (portCommand && (argc < 3 || !loopback::ParsePort(argv[2], &port))) return Usage();
  uint32_t bits = 0;
  for (int i = 3; portCommand && i < argc; ++i) {
    if (std::strcmp(argv[i], "open") == 0)
      bits |= loopback::kFailOpen;
    else if (std::strcmp(argv[i], "send") == 0)
      bits |= loopback::kFailSend;
    else if (std::strcmp(argv[i], "delivery") == 0)
      bits |= loopback::kFailDelivery;
    else
      return Usage();
  }
  if (!portCommand && argc != 2) return Usage();

  Cable cable;
  if (!cable.Open()) {
    std::fprintf(stderr, "loopback_ctl: the loopback cable's state cannot be opened in this prefix\n");
    return 1;
  }
  if (std::strcmp(command, "status") == 0) {
    PrintStatus(cable);
  } else if (std::strcmp(command, "unplug") == 0) {
    cable.Port(port).switches.store(bits ? bits : loopback::kUnplugged);
  } else if (std::strcmp(command, "plug") == 0) {
    if (argc != 3) return Usage();
    cable.Port(port).switches.store(0);
  } else if (std::strcmp(command, "reset") == 0) {
    for (unsigned i = 0; i < loopback::kPorts; ++i) {
      PortState& state = cable.Port(i);
      state.switches.store(0);
      state.sent.store(0);
      state.delivered.store(0);
      state.dropped.store(0);
    }
  } else {
    return Usage();
  }
  return 0;
}
