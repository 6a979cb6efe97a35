// State shared by every surface object of the process: the object count that
// DllCanUnloadNow reads, the clock stamps, the blink counter and the cached
// type description.
#include "module_state.h"

#include "tavrel.h"

LONG volatile g_objectCount = 0;
std::atomic<uint32_t> g_selectMoveTick{0};
std::atomic<uint32_t> g_storeReleaseTick{0};
std::atomic<uint32_t> g_footTapTick{0};
std::atomic<int32_t> g_recordBlinkCount{0};
std::atomic<ITypeInfo*> g_typeInfo{nullptr};

void ResetModuleStateForTesting() {
  g_selectMoveTick = 0;
  g_storeReleaseTick = 0;
  g_footTapTick = 0;
  g_recordBlinkCount = 0;
}
