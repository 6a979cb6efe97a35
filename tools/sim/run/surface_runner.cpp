#include "run/surface_runner.h"

#include <chrono>
#include <thread>

#include "language/surface_steps.h"
#include "picture/snapshot.h"

namespace sim {

void SurfaceRunner::Emit(const std::vector<Emission>& emissions, bool timed) {
  // Said once, until an output opens again: gestures without one go nowhere.
  const bool noOutput = m_ports.OpenPort(false).empty();
  if (noOutput && !m_toldNoOutput)
    m_monitor.Print("TavrelSim: no MIDI output is open: what the surface sends goes nowhere (--midi-out, Ports)");
  m_toldNoOutput = noOutput;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  for (const Emission& emission : emissions) {
    if (timed) std::this_thread::sleep_until(start + std::chrono::milliseconds(emission.atMs));
    if (emission.bytes.empty())
      m_monitor.In(emission.word);
    else
      m_monitor.InLong(emission.bytes);
  }
}

bool SurfaceRunner::Check(const Step& step, std::string* error) {
  std::string expected, found;
  const uint64_t received = m_hardware.Received();
  const uint32_t here = ArrivalsAt(m_hardware, step);
  const auto holds = [&] { return ExpectOnSurface(m_hardware, step, &expected, &found); };
  if (step.withinMs == 0 ? holds() : PollUntil(step.withinMs, holds)) return true;
  *error = "expected " + expected;
  if (step.withinMs > 0)
    *error += " within " + std::to_string(step.withinMs) + " ms, found " + found + " (" +
              std::to_string(m_hardware.Received() - received) + " messages arrived meanwhile, " +
              std::to_string(ArrivalsAt(m_hardware, step) - here) + " of them here)";
  else
    *error += ", found " + found;
  *error += "  (" + step.text + ")";
  return false;
}

bool SurfaceRunner::Snapshot(const Step& step, std::string* error) {
  HostSummary summary;
  const std::string in = m_ports.OpenPort(true), out = m_ports.OpenPort(false);
  summary.lines.push_back("the surface alone, no host in this process");
  summary.lines.push_back("MIDI in: " + (in.empty() ? std::string("none") : in));
  summary.lines.push_back("MIDI out: " + (out.empty() ? std::string("none") : out));
  const std::string base = m_snapshotDir + "/" + step.word;
  if (!WriteSnapshot(m_hardware.State(), summary, base + ".svg", base + ".png")) {
    *error = "snapshot " + step.word + " could not be written to " + base + ".svg";
    return false;
  }
  m_monitor.Print("snapshot " + step.word + ": " + base + ".svg");
  return true;
}

bool SurfaceRunner::Act(const Step& step, std::string* error) {
  if (IsGesture(step.kind)) {
    Emit(GestureMessages(m_hardware, step), step.kind == StepKind::Move && step.overMs > 0);
    return true;
  }
  switch (step.kind) {
    case StepKind::Wait:
      std::this_thread::sleep_for(std::chrono::milliseconds(step.overMs));
      return true;
    case StepKind::Expect:
      return Check(step, error);
    case StepKind::Snapshot:
      return Snapshot(step, error);
    case StepKind::Say:
      m_monitor.Print(step.word);
      return true;
    case StepKind::Port:
      return m_ports.ChoosePort(step.on, step.word, error);
    default:  // the parser keeps the host's steps and the window's out
      *error = "this step needs the host or the window";
      return false;
  }
}

bool SurfaceRunner::Run(const Step& step, std::string* failure) {
  if (step.kind != StepKind::Say) m_monitor.Note(step.text);
  std::string error;
  if (Act(step, &error)) return true;
  *failure = step.file + ":" + std::to_string(step.line) + ": " + error;
  return false;
}

}  // namespace sim
