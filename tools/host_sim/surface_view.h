// What the surface shows: a model of its lights and display fed with the
// messages the plug-in sends, printed as text.
#pragma once

#include <cstdint>
#include <string>

class SurfaceView {
 public:
  // Applies one message word sent to the surface.
  void Apply(uint32_t word);
  // The surface's own answer to a gesture: its channel-14 strip buttons latch
  // and light their LED themselves (the plug-in only notes that in its cache).
  void Gesture(uint32_t word);
  // One line per lit thing: the display, panel lights, and every strip with a lit LED.
  std::string Describe() const;

 private:
  uint8_t m_ch14[128] = {};
  uint8_t m_ch15[128] = {};
};
