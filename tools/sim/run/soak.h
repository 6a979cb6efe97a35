// The soak: random gestures and host changes through the real surface, with
// refreshes in between, checking after every refresh what a musician relies
// on. A mismatch names the seed and the step and writes the script that
// replays the run up to it.
#pragma once

#include <cstdint>

#include "run/runner.h"

namespace sim {

// Returns 0 when every check held, 1 on a mismatch.
int RunSoak(RunContext& context, Runner& runner, long steps, uint32_t seed);

}  // namespace sim
