#include "run/simulator.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "class_ids.h"
#include "language/script.h"
#include "run/attachment.h"
#include "run/loader.h"
#include "run/project_store.h"
#include "run/runner.h"
#include "run/session.h"
#include "run/soak.h"
#include "run/surface_settings.h"

namespace sim {
namespace {

// What a run starts from, all read and checked before anything starts.
struct Input {
  std::vector<Step> steps;
  std::vector<Step> windowTest;  // --window-test's steps
  Project project;
  bool haveProject = false;
};

// The parts of a run that live from the attach to the detach.
struct Attached {
  const Options& options;
  const WindowFrontEnd& window;
  LoadedSurface& loaded;
  Monitor& monitor;
  Hardware& hardware;
  HostModel& host;
  CaptureSession& captures;
  bool attached = true;  // the window can detach the surface itself
};

void Report(const std::string& what) { std::fprintf(stderr, "TavrelSim: %s\n", what.c_str()); }

bool ReadText(const std::string& path, std::string* text) {
  if (path == "-") {
    text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  if (!in || !(buffer << in.rdbuf())) return false;
  *text = buffer.str();
  return true;
}

// The scripts, the window test and the project; every mistake in them is collected.
std::vector<std::string> ReadInput(const Options& options, Input* input) {
  std::vector<std::string> errors;
  for (const std::string& path : options.scripts) ReadScript(path, false, true, &input->steps, &errors);
  if (!options.windowTest.empty()) ReadScript(options.windowTest, true, true, &input->windowTest, &errors);
  if (!options.project.empty()) {
    std::string error;
    const std::string surface = options.clsid.empty() ? ClsidText(CLSID_Tavrel) : options.clsid;
    const ProjectRead read = ReadProjectFile(options.project, surface, &input->project, &error);
    if (read == ProjectRead::Refused) errors.push_back(error + " (nothing was started and the file is left as it is)");
    input->haveProject = read == ProjectRead::Read;
  }
  return errors;
}

// Without a script, soak, capture or window the host runs until Ctrl+C.
void RunUntilStopped(Session& session, Monitor& monitor) {
  monitor.Print("TavrelSim: running; Ctrl+C stops");
  session.FreeRun(true);
  WaitUntilStopped();
  session.FreeRun(false);
}

// What the session plays, in order: the scripts, the soak, the capture, then
// the window or the free run.
int Play(Attached& a, const Input& input, RunContext& run, Runner& runner) {
  const Options& o = a.options;
  std::string failure;
  for (const Step& step : input.steps) {
    a.captures.Step(step);
    if (!runner.Run(step, &failure)) {
      std::fprintf(stderr, "%s\n", failure.c_str());
      return 1;
    }
  }
  if (o.soak > 0)
    if (const int result = RunSoak(run, runner, o.soak, o.seed)) return result;
  if (a.captures.PlaysFile())
    if (const int result = a.captures.Play(run)) return result;
  if (o.window && a.window.run != nullptr) {
    WindowContext window{run,
                         runner,
                         true,
                         o.project,
                         o.windowTest.empty() ? nullptr : &input.windowTest,
                         ClsidText(a.loaded.clsid),
                         o.refreshMs,
                         a.loaded.module,
                         &a.captures};
    const int result = a.window.run(window);
    a.attached = window.attached;
    return result;
  }
  if (input.steps.empty() && o.soak == 0 && !a.captures.PlaysFile()) RunUntilStopped(run.session, a.monitor);
  return 0;
}

// The session's threads around the attached surface, and the save at its end.
int RunSession(Attached& a, const Input& input) {
  const Options& o = a.options;
  IControlSurface* surface = a.loaded.surface;
  auto session = std::make_unique<Session>(surface, a.monitor, o.refreshMs);
  a.host.OnEachRead([s = session.get()] { s->DeliverHeldInput(); });
  RunContext run{a.monitor, a.hardware, a.host, *session, surface, o.snapshots, nullptr};
  std::string error;
  int result = 0;
  if (!SaveSettings(surface, run.settings, &error)) Report(error), result = 1;
  const std::string clsid = ClsidText(a.loaded.clsid);
  auto save = [&](std::string* why) {
    if (!SaveProject(o.project, clsid, surface, a.host, why)) return false;
    a.monitor.Print("project saved: " + o.project);
    return true;
  };
  if (!o.project.empty()) run.saveProject = save;
  session->Refresh(1, 0);  // the host's first refresh resets the surface and makes it ready
  run.ports = &a.captures;
  const auto deliver = [s = session.get()](uint32_t word, const std::vector<uint8_t>* sysex) {
    return DeliverToSession(*s, word, sysex);
  };
  if (result == 0 && !a.captures.Start(deliver, &error)) Report(error), result = 2;
  Runner runner(run);
  if (result == 0) result = Play(a, input, run, runner);
  a.captures.StopInput();  // live input ends before the session's threads
  session.reset();         // the MIDI and refresh threads end before the detach
  a.host.OnEachRead(nullptr);
  if (!o.project.empty() && !save(&error)) Report(error), result = result ? result : 1;
  return result;
}

// After the detach: the counts are back at zero, the DLL lets itself go, and
// no call broke the contract.
int CheckTheEnd(Attached& a, int result) {
  auto fail = [&result](const std::string& what) {
    Report(what);
    result = result ? result : 1;
  };
  std::string error;
  if (!a.captures.Finish(&error)) fail(error);
  const bool unloaded = UnloadSurface(&a.loaded);
  for (const std::string& problem : a.host.TakeErrors()) fail("error of the run: " + problem);
  for (const auto& [name, count] : a.host.References())
    if (count != 0)
      fail(std::string(name) + " still holds " + std::to_string(count) + " references after the surface was let go");
  if (!unloaded && !a.options.dll.empty()) fail("the DLL does not let itself be unloaded after the last Release");
  return result;
}

// From the attach to the end of the run, with the host model and the hardware.
int RunAttached(const Options& options, const WindowFrontEnd& window, const Input& input, LoadedSurface& loaded,
                Monitor& monitor, CaptureSession& captures) {
  Hardware hardware;
  HostModel host(monitor, hardware);
  Attached a{options, window, loaded, monitor, hardware, host, captures};
  host.With([&](HostState& state) { RestoreProjectHost(input.project.host, &state); });
  host.ExpectCookie(reinterpret_cast<ULONG_PTR>(loaded.surface));
  std::string error;
  const bool attached = AttachSurface(loaded.surface, host, monitor, &error);
  int result = attached ? 0 : 1;
  if (!attached) Report(error);
  if (result == 0 && input.haveProject && input.project.hasSettings &&
      !LoadSettings(loaded.surface, input.project.settings, &error))
    Report(error), result = 1;
  if (result == 0) result = RunSession(a, input);
  // A host detaches only what it attached; a half-done attach is undone by
  // the surface's own release.
  if (attached && a.attached) DetachSurface(loaded.surface, monitor);
  return CheckTheEnd(a, result);
}

HANDLE g_stopEvent = nullptr;
BOOL WINAPI OnConsoleStop(DWORD) {
  SetEvent(g_stopEvent);
  return TRUE;
}

}  // namespace

void ReadScript(const std::string& path, bool window, bool host, std::vector<Step>* steps,
                std::vector<std::string>* errors) {
  std::string text;
  if (!ReadText(path, &text)) {
    errors->push_back(path + ": cannot read the " + (window ? "window test" : "script"));
    return;
  }
  ParseResult parsed = ParseScript(path, text, window, host);
  errors->insert(errors->end(), parsed.errors.begin(), parsed.errors.end());
  for (Step& step : parsed.steps) steps->push_back(std::move(step));
}

void WaitUntilStopped() {
  g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleStop, TRUE);
  WaitForSingleObject(g_stopEvent, INFINITE);
}

int RunSimulator(const Options& options, const WindowFrontEnd& window) {
  if (options.surface && !options.capture.listPorts) return RunSurfaceAlone(options, window);
  Input input;
  std::vector<std::string> errors = ReadInput(options, &input);
  if (options.capture.listPorts) {
    std::puts(DescribePorts(ListPorts()).c_str());
    return 0;
  }
  CaptureSession captures(options.capture);
  if (std::string why; errors.empty() && !captures.Prepare(&why)) errors.push_back("TavrelSim: " + why);
  if (!errors.empty()) {
    for (const std::string& error : errors) std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  Monitor monitor;
  monitor.Enable(options.monitor, options.reads);
  if (options.window && window.connectMonitor != nullptr) window.connectMonitor(monitor);
  captures.Attach(monitor);
  // The main thread is the process's first single-threaded apartment: a
  // surface registered without a threading model is created right here and
  // handed out unmarshalled, as hosts rely on.
  CoInitialize(nullptr);
  LoadedSurface loaded;
  std::string error;
  int result = 2;
  if (LoadSurface(options.dll, options.clsid, "Orvane Tavrel", options.list, &loaded, &error)) {
    monitor.Print("TavrelSim: " + loaded.description);
    monitor.Print("TavrelSim: " + DescribePages(loaded.surface));
    result = RunAttached(options, window, input, loaded, monitor, captures);
  } else {
    Report(error);
  }
  CoUninitialize();
  return result;
}

}  // namespace sim
