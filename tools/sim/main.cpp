// TavrelSim: a host for the surface plug-in, and a model of the hardware in
// front of it. It finds the plug-in as a host does (or loads a build's DLL),
// attaches it to its own host model, delivers MIDI and refreshes on threads
// of their own, and runs scripts, a soak, or until it is stopped.
//
// Exit codes: 0 done; 1 an expectation failed or the run found an error;
// 2 bad input (options, scripts, project file, plug-in not found).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "class_ids.h"
#include "language/project.h"
#include "language/script.h"
#include "model/hardware.h"
#include "model/host_model.h"
#include "model/monitor.h"
#include "run/capture_session.h"
#include "run/loader.h"
#include "run/project_store.h"
#include "run/runner.h"
#include "run/session.h"
#include "run/soak.h"
#include "run/surface_settings.h"
#include "window/window.h"

namespace {

constexpr char kUsage[] =
    "usage: TavrelSim [options] [--script FILE]...\n"
    "  --dll PATH         load this DLL through its DllGetClassObject (no registration needed)\n"
    "  --clsid {...}      the surface to create (default: the one described as \"Orvane Tavrel\")\n"
    "  --list             list the host's surfaces before choosing\n"
    "  --script FILE      run a script; several run in order; - reads standard input\n"
    "  --project FILE     load the host's state and the surface's settings; saved at exit\n"
    "  --monitor          print every message and host call; --monitor-reads adds the refresh's reads\n"
    "  --refresh-ms N     refresh period (default 50)\n"
    "  --snapshots DIR    where snapshot pictures go (default .)\n"
    "  --soak N --seed S  N random steps with checks after every refresh\n" TAVREL_SIM_CAPTURE_USAGE
    "  --window           play the surface with the mouse; --window-test FILE drives it from a file\n"
    "Without --script or --soak the host runs until it is stopped (Ctrl+C).\n";

struct Options {
  std::string dll, clsid, project, snapshots = ".";
  std::vector<std::string> scripts;
  bool list = false, monitor = false, reads = false;
  bool window = false;
  std::string windowTest;
  int refreshMs = 50;
  long soak = 0;
  uint32_t seed = 1;
  sim::CaptureOptions capture;
};

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    auto number = [&](long low, long high, long* out) {
      std::string text;
      if (!value(&text)) return false;
      char* end = nullptr;
      *out = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || *out < low || *out > high) {
        *error = arg + " " + text + ": expected a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
      }
      return true;
    };
    long n = 0;
    std::string text;
    if (const int taken = sim::ParseCaptureOption(argc, argv, &i, &options->capture, error)) {
      if (taken < 0) return false;
    } else if (arg == "--dll") {
      if (!value(&options->dll)) return false;
    } else if (arg == "--clsid") {
      if (!value(&options->clsid)) return false;
    } else if (arg == "--project") {
      if (!value(&options->project)) return false;
    } else if (arg == "--snapshots") {
      if (!value(&options->snapshots)) return false;
    } else if (arg == "--script") {
      if (!value(&text)) return false;
      options->scripts.push_back(text);
    } else if (arg == "--list") {
      options->list = true;
    } else if (arg == "--monitor") {
      options->monitor = true;
    } else if (arg == "--monitor-reads") {
      options->monitor = options->reads = true;
    } else if (arg == "--refresh-ms") {
      if (!number(1, 10000, &n)) return false;
      options->refreshMs = static_cast<int>(n);
    } else if (arg == "--soak") {
      if (!number(1, 100000000, &options->soak)) return false;
    } else if (arg == "--seed") {
      if (!number(0, 2147483647, &n)) return false;
      options->seed = static_cast<uint32_t>(n);
    } else if (arg == "--window") {
      options->window = true;
    } else if (arg == "--window-test") {
      if (!value(&options->windowTest)) return false;
      options->window = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else {
      *error = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

bool ReadFile(const std::string& path, std::string* text) {
  if (path == "-") {
    text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

HANDLE g_stopEvent = nullptr;
BOOL WINAPI OnConsoleStop(DWORD) {
  SetEvent(g_stopEvent);
  return TRUE;
}

int Run(const Options& options) {
  // Everything that can be wrong with the input is found before anything starts.
  std::vector<sim::Step> steps;
  std::vector<std::string> errors;
  for (const std::string& path : options.scripts) {
    std::string text;
    if (!ReadFile(path, &text)) {
      errors.push_back(path + ": cannot read the script");
      continue;
    }
    sim::ParseResult parsed = sim::ParseScript(path, text);
    errors.insert(errors.end(), parsed.errors.begin(), parsed.errors.end());
    for (sim::Step& step : parsed.steps) steps.push_back(std::move(step));
  }
  sim::Project project;
  bool haveProject = false;
  if (!options.project.empty()) {
    std::string error;
    const std::string surface = options.clsid.empty() ? sim::ClsidText(CLSID_Tavrel) : options.clsid;
    const sim::ProjectRead read = sim::ReadProjectFile(options.project, surface, &project, &error);
    if (read == sim::ProjectRead::Refused)
      errors.push_back(error + " (nothing was started and the file is left as it is)");
    haveProject = read == sim::ProjectRead::Read;
  }
  if (options.capture.listPorts) {
    std::puts(sim::DescribePorts(sim::ListPorts()).c_str());
    return 0;
  }
  sim::CaptureSession captures(options.capture);
  if (std::string why; errors.empty() && !captures.Prepare(&why)) errors.push_back("TavrelSim: " + why);
  if (!errors.empty()) {
    for (const std::string& error : errors) std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }

  sim::Monitor monitor;
  monitor.Enable(options.monitor, options.reads);
  if (options.window) sim::ConnectMonitorToWindow(monitor);
  captures.Attach(monitor);
  // The main thread is the process's first single-threaded apartment: a
  // surface registered without a threading model is created right here and
  // handed out unmarshalled, as hosts rely on.
  CoInitialize(nullptr);
  sim::LoadedSurface loaded;
  std::string error;
  if (!sim::LoadSurface(options.dll, options.clsid, "Orvane Tavrel", options.list, &loaded, &error)) {
    std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
    CoUninitialize();
    return 2;
  }
  monitor.Print("TavrelSim: " + loaded.description);
  monitor.Print("TavrelSim: " + sim::DescribePages(loaded.surface));

  int result = 0;
  bool stillAttached = true;  // the window can detach the surface itself
  {
    sim::Hardware hardware;
    sim::HostModel host(monitor, hardware);
    host.With([&](sim::HostState& state) { sim::RestoreProjectHost(project.host, &state); });
    host.ExpectCookie(reinterpret_cast<ULONG_PTR>(loaded.surface));
    IControlSurface* surface = loaded.surface;
    const HRESULT attached = surface->AttachHost(host.Unknown(), 0);
    monitor.Host("AttachHost -> " + std::to_string(attached));
    if (FAILED(attached)) {
      std::fprintf(stderr, "TavrelSim: AttachHost failed: 0x%08lx\n", static_cast<unsigned long>(attached));
      result = 1;
    }
    if (result == 0 && haveProject && project.hasSettings && !sim::LoadSettings(surface, project.settings, &error)) {
      std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
      result = 1;
    }
    if (result == 0) {
      auto session = std::make_unique<sim::Session>(surface, monitor, options.refreshMs);
      sim::RunContext run{monitor, hardware, host, *session, surface, options.snapshots, nullptr};
      if (!sim::SaveSettings(surface, run.settings, &error)) {
        std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
        result = 1;
      }
      auto save = [&](std::string* why) {
        if (!sim::SaveProject(options.project, sim::ClsidText(loaded.clsid), surface, host, why)) return false;
        monitor.Print("project saved: " + options.project);
        return true;
      };
      if (!options.project.empty()) run.saveProject = save;
      // The host's first refresh resets the surface and makes it ready.
      session->Refresh(1, 0);
      if (!captures.Start(*session, &error)) {
        std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
        result = 2;
      }
      sim::Runner runner(run);
      std::string failure;
      for (const sim::Step& step : steps) {
        if (result != 0) break;
        captures.Step(step);
        if (!runner.Run(step, &failure)) {
          std::fprintf(stderr, "%s\n", failure.c_str());
          result = 1;
        }
      }
      if (result == 0 && options.soak > 0) result = sim::RunSoak(run, runner, options.soak, options.seed);
      if (result == 0 && captures.PlaysFile()) result = captures.Play(run);
      if (result == 0 && options.window) {
        sim::WindowContext window{run,
                                  runner,
                                  host.Unknown(),
                                  true,
                                  options.project,
                                  options.windowTest,
                                  sim::ClsidText(loaded.clsid),
                                  options.refreshMs,
                                  loaded.module,
                                  &captures};
        result = sim::RunWindow(window);
        stillAttached = window.attached;
      } else if (result == 0 && steps.empty() && options.soak == 0 && !captures.PlaysFile()) {
        g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(OnConsoleStop, TRUE);
        monitor.Print("TavrelSim: running; Ctrl+C stops");
        session->FreeRun(true);
        WaitForSingleObject(g_stopEvent, INFINITE);
        session->FreeRun(false);
      }
      captures.StopInput();  // live input ends before the session's threads
      session.reset();       // the MIDI and refresh threads end before the detach
      if (!options.project.empty() && !save(&error)) {
        std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
        result = result ? result : 1;
      }
    }
    // A host detaches only what it attached; a half-done attach is undone by
    // the surface's own release.
    if (SUCCEEDED(attached) && stillAttached) {
      surface->DetachHost();
      monitor.Host("DetachHost");
    }
    if (!captures.Finish(&error)) {
      std::fprintf(stderr, "TavrelSim: %s\n", error.c_str());
      result = result ? result : 1;
    }
    const bool unloaded = sim::UnloadSurface(&loaded);
    for (const std::string& problem : host.TakeErrors()) {
      std::fprintf(stderr, "TavrelSim: error of the run: %s\n", problem.c_str());
      result = result ? result : 1;
    }
    for (const auto& [name, count] : host.References())
      if (count != 0) {
        std::fprintf(stderr, "TavrelSim: %s still holds %ld references after the surface was let go\n", name, count);
        result = result ? result : 1;
      }
    if (!unloaded && !options.dll.empty()) {
      std::fprintf(stderr, "TavrelSim: the DLL does not let itself be unloaded after the last Release\n");
      result = result ? result : 1;
    }
  }
  CoUninitialize();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "TavrelSim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  return Run(options);
}
