#include "run/options.h"

#include "language/script.h"
#include "language/words.h"

namespace sim {
namespace {

// One option: its name, what its value is called (null for a switch), its
// help line, and what it sets: a text, a switch, or a number checked
// against low..high. An option of the host is refused with --surface.
struct Option {
  const char* name;
  const char* value;
  const char* help;
  std::string* (*text)(Options&) = nullptr;
  bool* (*flag)(Options&) = nullptr;
  void (*number)(Options&, long) = nullptr;
  long low = 0, high = 0;
  bool host = false;
};

constexpr Option OfTheHost(Option option) {
  option.host = true;
  return option;
}

constexpr Option Text(const char* name, const char* value, const char* help, std::string* (*text)(Options&)) {
  return {name, value, help, text};
}
constexpr Option Switch(const char* name, const char* help, bool* (*flag)(Options&)) {
  return {name, nullptr, help, nullptr, flag};
}
constexpr Option Number(const char* name, const char* value, const char* help, void (*set)(Options&, long), long low,
                        long high) {
  return {name, value, help, nullptr, nullptr, set, low, high};
}

const Option kOptions[] = {
    OfTheHost(Text("--dll", "PATH", "load this DLL through its DllGetClassObject (no registration needed)",
                   [](Options& o) { return &o.dll; })),
    OfTheHost(Text("--clsid", "{...}", "the surface to create (default: the one described as \"Orvane Tavrel\")",
                   [](Options& o) { return &o.clsid; })),
    OfTheHost(Switch("--list", "list the host's surfaces before choosing", [](Options& o) { return &o.list; })),
    Text("--script", "FILE", "run a script; several run in order; - reads standard input",
         [](Options& o) { return &o.scripts.emplace_back(); }),
    OfTheHost(Text("--project", "FILE", "load the host's state and the surface's settings; saved at exit",
                   [](Options& o) { return &o.project; })),
    Switch("--monitor", "print every message and host call", [](Options& o) { return &o.monitor; }),
    OfTheHost(Switch("--monitor-reads", "the monitor, with the refresh's reads", [](Options& o) { return &o.reads; })),
    OfTheHost(Number(
        "--refresh-ms", "N", "refresh period (default 50)",
        [](Options& o, long n) { o.refreshMs = static_cast<int>(n); }, 1, 10000)),
    Text("--snapshots", "DIR", "where snapshot pictures go (default .)", [](Options& o) { return &o.snapshots; }),
    OfTheHost(Number(
        "--soak", "N", "N random steps with checks after every refresh (with --seed S)",
        [](Options& o, long n) { o.soak = n; }, 1, 100000000)),
    OfTheHost(Number(
        "--seed", "S", "the soak's seed", [](Options& o, long n) { o.seed = static_cast<uint32_t>(n); }, 0,
        2147483647)),
    OfTheHost(Text("--midi-in-file", "FILE", "play a MIDI capture (raw bytes or hex dump)",
                   [](Options& o) { return &o.capture.midiInFile; })),
    OfTheHost(Switch("--pace", "keep the capture's own timing", [](Options& o) { return &o.capture.pace; })),
    Text("--capture-in", "FILE", "write what the surface was given as a timed hex dump",
         [](Options& o) { return &o.capture.captureIn; }),
    Text("--midi-out-file", "FILE", "write what the surface sent as raw bytes",
         [](Options& o) { return &o.capture.midiOutFile; }),
    OfTheHost(Text("--record", "SCRIPT", "write the session as a script that does it again",
                   [](Options& o) { return &o.capture.record; })),
    Switch("--list-ports", "list the system's MIDI ports", [](Options& o) { return &o.capture.listPorts; }),
    Text("--midi-in", "NAME|N", "the surface's messages come from this port (--surface: the plug-in's)",
         [](Options& o) { return &o.capture.midiIn; }),
    Text("--midi-out", "NAME|N", "the plug-in's messages go to this port (--surface: the surface's)",
         [](Options& o) { return &o.capture.midiOut; }),
    Switch("--window", "play the surface with the mouse", [](Options& o) { return &o.window; }),
    Switch("--surface", "the surface alone, no plug-in: gestures to --midi-out, lights from --midi-in",
           [](Options& o) { return &o.surface; }),
    Text("--window-test", "FILE", "drive the window from a file, then close it (implies --window)",
         [](Options& o) { return &o.windowTest; }),
    Switch("--help", "this text", [](Options& o) { return &o.help; }),
};

const Option* Find(const std::string& name) {
  if (name == "-h") return Find("--help");
  for (const Option& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  std::string hostOption;  // the first option given that only a host takes
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const Option* option = Find(arg);
    if (option == nullptr) {
      *error = "unknown option " + arg;
      return false;
    }
    if (option->host && hostOption.empty()) hostOption = arg;
    if (option->flag != nullptr) {
      *option->flag(*options) = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = arg + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    long long number = 0;
    if (option->text != nullptr) {
      *option->text(*options) = value;
    } else if (ParseWhole(value, &number) && number >= option->low && number <= option->high) {
      option->number(*options, static_cast<long>(number));
    } else {
      *error = arg + " " + value + ": expected a number from " + std::to_string(option->low) + " to " +
               std::to_string(option->high);
      return false;
    }
  }
  // The two options that stand for more than one.
  options->monitor = options->monitor || options->reads;
  options->window = options->window || !options->windowTest.empty();
  if (!options->surface || options->help) return true;
  if (!hostOption.empty()) {
    *error = hostOption + " is an option of the host: --surface plays the surface alone, without the plug-in";
    return false;
  }
  if (options->capture.midiIn.empty() && options->capture.midiOut.empty() && !options->window &&
      !options->capture.listPorts) {
    *error = "--surface needs --midi-in, --midi-out or --window (whose Ports menu chooses them)";
    return false;
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
  text += "Without --script or --soak the host runs until it is stopped (Ctrl+C).\n";
  text +=
      "--surface: the hardware alone, with --midi-in, --midi-out, --script, --window, --window-test,\n"
      "--monitor, --snapshots, --capture-in, --midi-out-file; with neither a script nor the window it runs\n"
      "until it is stopped.\n\n";
  return text + VerbUsage();
}

}  // namespace sim
