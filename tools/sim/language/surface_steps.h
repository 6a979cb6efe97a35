// What a script's surface steps do to the hardware model, wherever its
// messages go: the messages a gesture makes the surface send, and whether an
// expectation of what the surface shows holds. A host's run and the surface
// alone (--surface) share them.
#pragma once

#include <string>
#include <vector>

#include "language/script.h"
#include "model/hardware.h"

namespace sim {

// The messages of a gesture step (a move, a press, a held or released key,
// the jog, the shuttle, a raw short or system-exclusive message), moving the
// hardware's controls as it goes; empty for any other step.
std::vector<Emission> GestureMessages(Hardware& hardware, const Step& step);
// True for the steps GestureMessages turns into messages.
bool IsGesture(StepKind kind);

// The display's two characters ("64", "--", "  ").
std::string DisplayText(const Hardware& hardware);

// An expectation of the surface (a light, the display, the arrows, a
// fader): true when it holds, and both sides worded ("on", "\"64\"", "up").
bool ExpectOnSurface(const Hardware& hardware, const Step& step, std::string* expected, std::string* found);

// How many messages have arrived at the lights an expectation of the
// surface reads (a light, both digits, both arrows).
uint32_t ArrivalsAt(const Hardware& hardware, const Step& step);

}  // namespace sim
