#include "run/capture_session.h"

#include <fstream>
#include <sstream>
#include <thread>

#include "midi_map.h"

namespace sim {
namespace {

// Bytes of a packed short message on the wire.
size_t WireLength(uint32_t word) {
  const uint8_t status = word & 0xFF;
  if (status >= 0xF8 || status == 0xF6) return 1;
  if ((status & 0xE0) == 0xC0 || status == 0xF1 || status == 0xF3) return 2;
  return 3;
}

}  // namespace

CaptureSession::~CaptureSession() {
  StopInput();
  std::string ignored;
  Finish(&ignored);
}

bool CaptureSession::Prepare(std::string* error) {
  if (!m_options.midiInFile.empty()) {
    std::ifstream in(m_options.midiInFile, std::ios::binary);
    if (!in) {
      *error = m_options.midiInFile + ": cannot read the capture";
      return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    m_capture = ParseCapture(content.str());
  }
  unsigned id = 0;
  if (!m_options.midiIn.empty() && !FindPort(true, m_options.midiIn, &id, error)) return false;
  if (!m_options.midiOut.empty() &&
      !m_output.Open(
          m_options.midiOut, [this](const std::string& failure) { Report(failure); }, error))
    return false;
  auto open = [&](const std::string& path, std::FILE** file) {
    if (path.empty()) return true;
    *file = std::fopen(path.c_str(), "wb");
    if (*file == nullptr) *error = "cannot write " + path;
    return *file != nullptr;
  };
  return open(m_options.captureIn, &m_captureFile) && open(m_options.midiOutFile, &m_outFile);
}

void CaptureSession::Attach(Monitor& monitor) {
  m_monitor = &monitor;
  m_start = std::chrono::steady_clock::now();
  monitor.AddTap(this);
  // Tapped even while closed, so a port chosen later never changes the
  // monitor's list under the threads that read it.
  monitor.AddTap(&m_output);
  if (m_output.IsOpen()) monitor.Print("TavrelSim: MIDI output \"" + m_output.Name() + "\"");
}

bool CaptureSession::Start(MidiInputPort::Deliver deliver, std::string* error) {
  m_deliver = std::move(deliver);
  if (m_options.midiIn.empty()) return true;
  return OpenInput(m_options.midiIn, error);
}

// A port that failed while open: the monitor's pane shows it, the console too.
void CaptureSession::Report(const std::string& failure) {
  const std::string text = failure + "; the session goes on without it (choose the port again to reopen it)";
  if (m_monitor == nullptr) return (void)std::fprintf(stderr, "TavrelSim: %s\n", text.c_str());
  m_monitor->Note(text);
  m_monitor->Print("TavrelSim: " + text);
}

// A new input replaces the open one, which stops first.
bool CaptureSession::OpenInput(const std::string& nameOrIndex, std::string* error) {
  StopInput();
  const bool recording = !m_options.record.empty();
  return m_input.Open(
      nameOrIndex,
      [this, recording](uint32_t word, const std::vector<uint8_t>* sysex) {
        if (recording) m_recorder.Live(word, sysex);
        return m_deliver(word, sysex);
      },
      [this](const std::string& failure) { Report(failure); }, error);
}

bool CaptureSession::ChoosePort(bool input, const std::string& nameOrIndex, std::string* error) {
  if (input) {
    if (nameOrIndex.empty()) return StopInput(), true;
    return OpenInput(nameOrIndex, error);
  }
  m_output.Close();
  return nameOrIndex.empty() || m_output.Open(
                                    nameOrIndex, [this](const std::string& failure) { Report(failure); }, error);
}

std::string CaptureSession::OpenPort(bool input) const {
  if (input) return m_input.IsOpen() && !m_input.Failed() ? m_input.Name() : std::string();
  return m_output.IsOpen() ? m_output.Name() : std::string();
}

void CaptureSession::Step(const sim::Step& step) {
  if (!m_options.record.empty()) m_recorder.Step(step);
}

void CaptureSession::TapIn(uint32_t word, const std::vector<uint8_t>* sysex) {
  if (m_captureFile == nullptr) return;
  const int64_t ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
  const midi::ShortMessage m = midi::Unpack(word);
  const uint8_t bytes[3] = {m.status, m.controller, m.value};
  std::lock_guard<std::mutex> lock(m_fileMutex);
  if (sysex == nullptr)
    m_writer.Add(ms, bytes, WireLength(word));
  else
    m_writer.Add(ms, sysex->data(), sysex->size());
  const std::string& text = m_writer.Text();
  std::fwrite(text.data() + m_written, 1, text.size() - m_written, m_captureFile);
  m_written = text.size();
}

void CaptureSession::TapOut(uint32_t word) {
  if (m_outFile == nullptr) return;
  const midi::ShortMessage m = midi::Unpack(word);
  const uint8_t bytes[3] = {m.status, m.controller, m.value};
  std::lock_guard<std::mutex> lock(m_fileMutex);
  std::fwrite(bytes, 1, WireLength(word), m_outFile);
}

int CaptureSession::Play(RunContext& run) {
  const std::string& file = m_options.midiInFile;
  const bool recording = !m_options.record.empty();
  const bool pace = m_options.pace && m_capture.timed;
  if (m_options.pace && !m_capture.timed)
    run.monitor.Print(file + ": the capture carries no timing; played as fast as the session takes it");
  MidiStreamReader reader;
  std::vector<StreamMessage> messages;
  for (uint8_t byte : m_capture.bytes) reader.Feed(byte, &messages);
  reader.Finish();

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  int64_t lastMs = 0;
  size_t played = 0, realTime = 0;
  if (pace) run.session.FreeRun(true);
  for (const StreamMessage& message : messages) {
    if (message.realTime) {  // clock and sensing carry nothing for the surface
      ++realTime;
      continue;
    }
    const int64_t atMs = m_capture.atMs.empty() ? 0 : m_capture.atMs[message.offset];
    if (pace) std::this_thread::sleep_until(start + std::chrono::milliseconds(atMs));
    if (recording)
      m_recorder.Input(message.word, message.sysex.empty() ? nullptr : &message.sysex, pace ? atMs - lastMs : 0);
    lastMs = atMs;
    if (message.sysex.empty())
      run.session.Short(message.word);
    else
      run.session.Long(message.sysex);
    ++played;
    if (!pace) {  // as fast as the session takes it, with the host's refresh in between
      run.session.Drain();
      run.session.Refresh(1, 0);
      if (recording) m_recorder.Refresh();
    }
  }
  run.session.Drain();
  if (pace) run.session.FreeRun(false);

  for (const std::string& error : m_capture.errors) std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
  for (const StreamReport& report : reader.Reports())
    std::fprintf(stderr, "%s: %s: %s\n", file.c_str(), Where(m_capture, report.offset).c_str(), report.what.c_str());
  run.monitor.Print(file + ": " + std::to_string(played) + " messages played, " + std::to_string(realTime) +
                    " real-time bytes passed over, " + std::to_string(reader.StrayBytes()) + " stray bytes skipped, " +
                    std::to_string(reader.Reports().size() + m_capture.errors.size()) + " problems reported");
  const std::vector<std::string> errors = run.host.TakeErrors();
  for (const std::string& error : errors) std::fprintf(stderr, "TavrelSim: error of the run: %s\n", error.c_str());
  if (!errors.empty()) return 1;
  return reader.Reports().empty() && m_capture.errors.empty() ? 0 : 2;
}

void CaptureSession::StopInput() {
  if (!m_input.IsOpen()) return;
  const std::string problem = m_input.Close();
  if (!problem.empty()) std::fprintf(stderr, "TavrelSim: %s\n", problem.c_str());
  char line[320];
  std::snprintf(line, sizeof line, "MIDI input \"%s\": %llu messages received, %llu dropped", m_input.Name().c_str(),
                static_cast<unsigned long long>(m_input.Received()),
                static_cast<unsigned long long>(m_input.Dropped()));
  std::string text = std::string("TavrelSim: ") + line;
  if (m_input.Dropped() > 0)
    text += " (input faster than it was taken, driver errors, a system-exclusive message over " +
            std::to_string(MidiInputPort::kBufferSize) + " bytes, or left behind at the close)";
  if (m_monitor != nullptr)
    m_monitor->Print(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool CaptureSession::Finish(std::string* error) {
  m_output.Close();
  bool ok = true;
  {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    for (std::FILE** file : {&m_captureFile, &m_outFile})
      if (*file != nullptr) {
        ok = std::fclose(*file) == 0 && ok;
        *file = nullptr;
      }
    if (!ok) *error = "cannot write the capture files";
  }
  if (ok && !m_options.record.empty()) {
    ok = m_recorder.Write(m_options.record, error);
    m_options.record.clear();  // written once
  }
  return ok;
}

}  // namespace sim
