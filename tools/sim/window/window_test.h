// --window-test FILE: a session played through the window's own input. Lines
// are the script language, whose window steps post real mouse messages at
// points of the layout table and read back what the window drew:
//
//   click mute 3                 button down and up at the row's centre
//   drag fader 5 100             from the fader's cap to the height of value 100
//   properties F1 1              Surface > Properties..., choose row 1 in F1's list, OK
//   expect drawn mute 3 on       the window's picture shows the light lit (or off)
//   mixer 2 volume 0.25          a click on the console's cell, the level typed, Return
//   mixer 3 mute                 a click on a switch of the console
//   menu detach                  a menu command: save, detach, attach, play, record, stop, blink
//   pause 5000                   the window runs on its own for 5000 ms (for a screenshot)
//   port in "Tavrel Loop A"      the Ports menu's item chosen; it must be ticked then
//   expect monitor "led58 on"    a line of the monitor pane holds the text
//
// The surface alone's window has no mixer: its tests take no mixer, menu or
// properties steps (the parser refuses them).
//
// One step runs per timer tick, so the messages a step posted are handled
// (and the models' changes drawn) before the next step looks.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "run/runner.h"
#include "window/mixer_panel.h"
#include "window/monitor_pane.h"
#include "window/ports_menu.h"
#include "window/surface_view.h"

namespace sim {

class WindowTest {
 public:
  WindowTest(StepRunner& runner, Hardware& hardware, SurfaceView& view, MixerPanel* mixer, MonitorPane* pane,
             PortsMenu* ports, HWND main)
      : m_runner(runner),
        m_hardware(hardware),
        m_view(view),
        m_mixer(mixer),
        m_pane(pane),
        m_ports(ports),
        m_main(main) {}
  ~WindowTest();
  // The steps to run, parsed with the window's steps admitted.
  void Load(const std::vector<Step>& steps) { m_steps = steps; }
  // Runs the next step. False when the test is over (passed or failed).
  bool Tick();
  bool Failed() const { return !m_failure.empty(); }
  const std::string& Failure() const { return m_failure; }

 private:
  bool Run(const Step& step);
  bool Click(const Step& step);
  bool Drag(const Step& step);
  bool Properties(const Step& step);
  bool Mixer(const Step& step);
  bool Menu(const Step& step);
  bool ExpectDrawn(const Step& step);
  bool ExpectMonitor(const Step& step);
  bool Port(const Step& step);
  bool Fail(const Step& step, const std::string& why);
  void Post(UINT message, POINT at);
  bool ChooseInFrame(int combo, int item);

  StepRunner& m_runner;
  Hardware& m_hardware;
  SurfaceView& m_view;
  MixerPanel* m_mixer;
  MonitorPane* m_pane;
  PortsMenu* m_ports;
  HWND m_main;
  std::vector<Step> m_steps;
  size_t m_next = 0;
  ULONGLONG m_pauseUntil = 0;
  std::string m_typing;  // typed into the console's edit field at the next tick
  std::string m_failure;
  std::thread m_frameHand;  // works the property frame while the main thread runs it
  std::atomic<bool> m_frameDone{false};
};

}  // namespace sim
