// A script's steps on the surface alone (--surface): gestures leave through
// the monitor's incoming side, which the MIDI output port carries; the
// expectations read the hardware model, which only the input port drives
// (and the latching buttons, which light their own LEDs). With `within` an
// expectation waits for the lights to arrive: the host on the other end
// refreshes in its own time.
#pragma once

#include <string>
#include <vector>

#include "model/hardware.h"
#include "model/monitor.h"
#include "run/midi_ports.h"
#include "run/runner.h"

namespace sim {

class SurfaceRunner : public StepRunner {
 public:
  SurfaceRunner(Monitor& monitor, Hardware& hardware, PortChoice& ports, std::string snapshotDir)
      : m_monitor(monitor), m_hardware(hardware), m_ports(ports), m_snapshotDir(std::move(snapshotDir)) {}
  bool Run(const Step& step, std::string* failure) override;

 private:
  bool Act(const Step& step, std::string* error);
  void Emit(const std::vector<Emission>& emissions, bool timed);
  bool Check(const Step& step, std::string* error);
  bool Snapshot(const Step& step, std::string* error);

  Monitor& m_monitor;
  Hardware& m_hardware;
  PortChoice& m_ports;
  std::string m_snapshotDir;
  bool m_toldNoOutput = false;
};

}  // namespace sim
