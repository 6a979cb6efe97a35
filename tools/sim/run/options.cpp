#include "run/options.h"

#include "language/script.h"
#include "language/words.h"

namespace sim {
namespace {

// One option: its name, what its value is called (null for a switch), its
// help line, and what it sets. A number is checked against low..high.
struct Option {
  const char* name;
  const char* value;
  const char* help;
  void (*set)(Options&, const std::string& value, long number);
  long low = 0, high = 0;
};

const Option kOptions[] = {
    {"--dll", "PATH", "load this DLL through its DllGetClassObject (no registration needed)",
     [](Options& o, const std::string& v, long) { o.dll = v; }},
    {"--clsid", "{...}", "the surface to create (default: the one described as \"Orvane Tavrel\")",
     [](Options& o, const std::string& v, long) { o.clsid = v; }},
    {"--list", nullptr, "list the host's surfaces before choosing",
     [](Options& o, const std::string&, long) { o.list = true; }},
    {"--script", "FILE", "run a script; several run in order; - reads standard input",
     [](Options& o, const std::string& v, long) { o.scripts.push_back(v); }},
    {"--project", "FILE", "load the host's state and the surface's settings; saved at exit",
     [](Options& o, const std::string& v, long) { o.project = v; }},
    {"--monitor", nullptr, "print every message and host call",
     [](Options& o, const std::string&, long) { o.monitor = true; }},
    {"--monitor-reads", nullptr, "the monitor, with the refresh's reads",
     [](Options& o, const std::string&, long) { o.monitor = o.reads = true; }},
    {"--refresh-ms", "N", "refresh period (default 50)",
     [](Options& o, const std::string&, long n) { o.refreshMs = static_cast<int>(n); }, 1, 10000},
    {"--snapshots", "DIR", "where snapshot pictures go (default .)",
     [](Options& o, const std::string& v, long) { o.snapshots = v; }},
    {"--soak", "N", "N random steps with checks after every refresh (with --seed S)",
     [](Options& o, const std::string&, long n) { o.soak = n; }, 1, 100000000},
    {"--seed", "S", "the soak's seed",
     [](Options& o, const std::string&, long n) { o.seed = static_cast<uint32_t>(n); }, 0, 2147483647},
    {"--midi-in-file", "FILE", "play a MIDI capture (raw bytes or hex dump)",
     [](Options& o, const std::string& v, long) { o.capture.midiInFile = v; }},
    {"--pace", nullptr, "keep the capture's own timing",
     [](Options& o, const std::string&, long) { o.capture.pace = true; }},
    {"--capture-in", "FILE", "write what the surface was given as a timed hex dump",
     [](Options& o, const std::string& v, long) { o.capture.captureIn = v; }},
    {"--midi-out-file", "FILE", "write what the surface sent as raw bytes",
     [](Options& o, const std::string& v, long) { o.capture.midiOutFile = v; }},
    {"--record", "SCRIPT", "write the session as a script that does it again",
     [](Options& o, const std::string& v, long) { o.capture.record = v; }},
    {"--list-ports", nullptr, "list the system's MIDI ports",
     [](Options& o, const std::string&, long) { o.capture.listPorts = true; }},
    {"--midi-in", "NAME|N", "take MIDI input from this port",
     [](Options& o, const std::string& v, long) { o.capture.midiIn = v; }},
    {"--midi-out", "NAME|N", "send the surface's messages to this port",
     [](Options& o, const std::string& v, long) { o.capture.midiOut = v; }},
    {"--window", nullptr, "play the surface with the mouse",
     [](Options& o, const std::string&, long) { o.window = true; }},
    {"--window-test", "FILE", "drive the window from a file, then close it",
     [](Options& o, const std::string& v, long) {
       o.windowTest = v;
       o.window = true;
     }},
    {"--help", nullptr, "this text", [](Options& o, const std::string&, long) { o.help = true; }},
};

const Option* Find(const std::string& name) {
  if (name == "-h") return Find("--help");
  for (const Option& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const Option* option = Find(arg);
    if (option == nullptr) {
      *error = "unknown option " + arg;
      return false;
    }
    std::string value;
    long long number = 0;
    if (option->value != nullptr) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      value = argv[++i];
      const bool numeric = option->low != option->high;
      if (numeric && (!ParseWhole(value, &number) || number < option->low || number > option->high)) {
        *error = arg + " " + value + ": expected a number from " + std::to_string(option->low) + " to " +
                 std::to_string(option->high);
        return false;
      }
    }
    option->set(*options, value, static_cast<long>(number));
  }
  return true;
}

std::string Usage() {
  std::string text = "usage: TavrelSim [options] [--script FILE]...\n";
  for (const Option& option : kOptions) {
    std::string left = std::string("  ") + option.name + (option.value ? std::string(" ") + option.value : "");
    if (left.size() < 24) left.resize(24, ' ');
    text += left + " " + option.help + "\n";
  }
  text += "Without --script or --soak the host runs until it is stopped (Ctrl+C).\n\n";
  return text + VerbUsage();
}

}  // namespace sim
