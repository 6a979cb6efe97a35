// Native stand-in for the COM task allocator.
#include "win_compat.h"

#ifndef _WIN32
#include <atomic>

namespace compat {
namespace {
std::atomic<bool> g_taskAllocFails{false};
}
void SetTaskAllocatorFailing(bool failing) { g_taskAllocFails = failing; }
}  // namespace compat

void* CoTaskMemAlloc(SIZE_T size) { return compat::g_taskAllocFails ? nullptr : std::malloc(size); }
void CoTaskMemFree(void* block) { std::free(block); }
#endif
