// State shared by every surface object in the process. The clock stamps and
// the blink counter are touched only under the lock of the object handling
// the event; they are atomics so that two objects on two threads never race.
#pragma once

#include <atomic>
#include <cstdint>

#include "win_compat.h"

// Clock reading at the last automatic selection by a moved fader.
extern std::atomic<uint32_t> g_selectMoveTick;
// Clock reading when the store key last ended store mode.
extern std::atomic<uint32_t> g_storeReleaseTick;
// Clock reading when the footswitch last stopped and rewound.
extern std::atomic<uint32_t> g_footTapTick;
// Refreshes counted for the blinking record LED.
extern std::atomic<int32_t> g_recordBlinkCount;
// The cached type description of IControlSurface, published once.
extern std::atomic<ITypeInfo*> g_typeInfo;
