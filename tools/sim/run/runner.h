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
#include "run/session.h"

namespace sim {

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
};

class Runner {
 public:
  explicit Runner(RunContext& context) : m_context(context) {}
  // Runs one step; false with `failure` ("file:line: expected X, found Y")
  // when an expectation is unmet or the host found an error of the run.
  bool Run(const Step& step, std::string* failure);

  // The lights and the display, as the checks and the pictures read them.
  std::string Display() const;

 private:
  void Emit(const std::vector<Emission>& emissions, bool timed);
  bool Act(const Step& step, std::string* error);
  void Gesture(const Step& step);
  bool Option(const Step& step, std::string* error);
  bool Expect(const Step& step, std::string* expected, std::string* found);
  bool ExpectSurface(const Step& step, std::string* expected, std::string* found);
  void HostStep(const Step& step);
  bool Snapshot(const Step& step, std::string* error);
  void FollowBank(const Control& control);

  RunContext& m_context;
};

}  // namespace sim
