// Runs parsed script steps against the real surface: gestures become the
// hardware's messages on the MIDI thread, host steps change the host model,
// expectations compare the hardware's lights and the host's state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "language/project.h"
#include "language/script.h"
#include "model/hardware.h"
#include "model/host_model.h"
#include "model/monitor.h"
#include "run/midi_ports.h"
#include "run/session.h"

namespace sim {

// What runs a script's steps one at a time: the host's runner, or the
// surface alone's (--surface). The window's test runs its other steps here.
class StepRunner {
 public:
  virtual ~StepRunner() = default;
  // Runs one step; false with `failure` ("file:line: expected X, found Y").
  virtual bool Run(const Step& step, std::string* failure) = 0;
};

// Calls `ready` about every millisecond until it gives true or `ms` have
// passed; gives its last answer.
bool PollUntil(int ms, const std::function<bool()>& ready);

struct RunContext {
  Monitor& monitor;
  Hardware& hardware;
  HostModel& host;
  Session& session;
  IControlSurface* surface;
  std::string snapshotDir;
  std::function<bool(std::string*)> saveProject;  // null without --project
  uint8_t settings[PROJECT_SETTINGS_SIZE] = {};   // the surface's settings as the host last saw them
  int bank = 0;                                   // the bank window as the host follows it
  PortChoice* ports = nullptr;                    // the live MIDI ports a port step opens and closes
  bool pumping = false;                           // host pumps on: input waits for the host's next read
};

class Runner : public StepRunner {
 public:
  explicit Runner(RunContext& context) : m_context(context) {}
  // Runs one step; false with `failure` ("file:line: expected X, found Y")
  // when an expectation is unmet or the host found an error of the run.
  bool Run(const Step& step, std::string* failure) override;

 private:
  void Emit(const std::vector<Emission>& emissions, bool timed);
  bool Act(const Step& step, std::string* error);
  void Gesture(const Step& step);
  bool Option(const Step& step, std::string* error);
  bool Expect(const Step& step, std::string* expected, std::string* found);
  bool Check(const Step& step, std::string* error);
  void HostStep(const Step& step);
  bool Snapshot(const Step& step, std::string* error);
  void FollowBank(const Control& control);

  RunContext& m_context;
};

}  // namespace sim
