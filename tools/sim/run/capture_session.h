// What a session does with captures, ports and recordings:
//   --midi-in-file FILE   plays a capture (raw bytes or a hex dump) against the surface
//   --pace                keeps the capture's own timing (a timed hex dump)
//   --capture-in FILE     writes everything delivered to the surface as a timed hex dump
//   --midi-out-file FILE  writes everything the surface sent, as raw bytes
//   --record SCRIPT       writes the session as a script that does it again
//   --list-ports, --midi-in NAME|N, --midi-out NAME|N   the system's MIDI ports
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "language/capture.h"
#include "language/recorder.h"
#include "model/monitor.h"
#include "run/midi_ports.h"
#include "run/runner.h"

namespace sim {

struct CaptureOptions {
  std::string midiInFile, midiOutFile, captureIn, record, midiIn, midiOut;
  bool pace = false, listPorts = false;
};

// `surfaceSide`: the surface alone (--surface) sends its gestures out of the
// output port and takes the plug-in's messages from the input port; a host
// sends what the plug-in sends and takes what the surface sends.
class CaptureSession : private MidiTap, public PortChoice {
 public:
  explicit CaptureSession(const CaptureOptions& options, bool surfaceSide = false)
      : m_options(options), m_output(surfaceSide) {}
  ~CaptureSession() override;

  // Reads the capture and finds the ports before anything starts; false with
  // the reason (exit code 2).
  bool Prepare(std::string* error);
  // Before the session starts: the writers and the output port see the
  // traffic, and a port that fails while open is reported to the monitor.
  void Attach(Monitor& monitor);
  // Once the session runs: live input starts flowing to `deliver`, which
  // also takes what a port chosen later delivers.
  bool Start(MidiInputPort::Deliver deliver, std::string* error);
  // A script step as it runs.
  void Step(const sim::Step& step);
  bool PlaysFile() const { return !m_options.midiInFile.empty(); }
  // Plays the capture: 0; 1 when the run found an error; 2 when parts of the
  // capture could not be read (each reported with its offset; the rest played).
  int Play(RunContext& run);
  // Live input stops, with a line of what it received and dropped; called
  // before the session ends and the surface is detached.
  void StopInput();
  // Writes the recorded script and closes the files.
  bool Finish(std::string* error);

  // Live input and output chosen while the session runs (the window's Ports
  // menu, a script's port steps). The output is always among the monitor's
  // taps and sends only while a port is open.
  bool ChoosePort(bool input, const std::string& nameOrIndex, std::string* error) override;
  std::string OpenPort(bool input) const override;
  const MidiInputPort& Input() const { return m_input; }
  const MidiOutputPort& Output() const { return m_output; }

 private:
  void TapIn(uint32_t word, const std::vector<uint8_t>* sysex) override;
  void TapOut(uint32_t word) override;
  bool OpenInput(const std::string& nameOrIndex, std::string* error);
  void Report(const std::string& failure);

  CaptureOptions m_options;
  Capture m_capture;
  Recorder m_recorder;
  MidiInputPort m_input;
  MidiOutputPort m_output;
  MidiInputPort::Deliver m_deliver;
  Monitor* m_monitor = nullptr;
  std::mutex m_fileMutex;
  std::FILE* m_captureFile = nullptr;
  std::FILE* m_outFile = nullptr;
  CaptureWriter m_writer;
  size_t m_written = 0;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace sim
