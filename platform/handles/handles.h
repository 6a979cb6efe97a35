// Owning wrappers for what the programs and tests open: each one closes or
// releases what it holds on every way out of its scope, so no path forgets a
// RegCloseKey or a Release.
//
// Portable apart from the registry key, so the core and its native tests can
// use the COM pointer, the critical-section hold and the scope exit too.
#pragma once

#include <utility>

#include "win_compat.h"

// Owns one handle and gives it back with Traits::Close(handle) when it is
// replaced or goes out of scope. Traits::Handle is the handle's type; its
// value-initialised form (a null pointer) means "holds nothing".
template <typename Traits>
class CUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  CUniqueHandle() = default;
  // Takes over `owned`: it is closed by this object from now on.
  explicit CUniqueHandle(Handle owned) : m_handle(owned) {}
  ~CUniqueHandle() { Reset(); }
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  Handle Get() const { return m_handle; }
  Handle operator->() const { return m_handle; }
  explicit operator bool() const { return m_handle != Handle{}; }

  // For a call that hands out a new handle through an out-parameter: what
  // was held is closed first.
  Handle* Put() {
    Reset();
    return &m_handle;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // Gives up ownership without closing.
  Handle Detach() { return std::exchange(m_handle, Handle{}); }
  void Reset(Handle owned = Handle{}) {
    const Handle old = std::exchange(m_handle, owned);
    if (old != Handle{}) Traits::Close(old);
  }

 private:
  Handle m_handle{};
};

template <typename Interface>
struct ComReleaseTraits {
  using Handle = Interface*;
  static void Close(Interface* object) { object->Release(); }
};

// One counted reference to a COM object, released once.
template <typename Interface>
using CComPtr = CUniqueHandle<ComReleaseTraits<Interface>>;

// Runs `function` when the scope ends, unless dismissed first: for the
// release calls that have no handle of their own (EndPaint, CloseHandle of a
// process's two handles, CoUninitialize).
template <typename Function>
class CScopeExit {
 public:
  explicit CScopeExit(Function function) : m_function(std::move(function)) {}
  ~CScopeExit() {
    if (m_armed) m_function();
  }
  CScopeExit(const CScopeExit&) = delete;
  CScopeExit& operator=(const CScopeExit&) = delete;
  void Dismiss() { m_armed = false; }

 private:
  Function m_function;
  bool m_armed = true;
};

#ifdef _WIN32

struct RegKeyCloseTraits {
  using Handle = HKEY;
  static void Close(HKEY key) { RegCloseKey(key); }
};

// An opened or created registry key. Never give it one of the predefined
// roots (HKEY_CLASSES_ROOT and the like): those are not ours to close.
using CRegKey = CUniqueHandle<RegKeyCloseTraits>;

#endif  // _WIN32

// Scoped hold of a critical section: entered on construction, left on every
// way out of the scope.
class CCriticalSectionAuto {
 public:
  explicit CCriticalSectionAuto(CRITICAL_SECTION* section) : m_section(section) { EnterCriticalSection(m_section); }
  virtual ~CCriticalSectionAuto() { LeaveCriticalSection(m_section); }
  CCriticalSectionAuto(const CCriticalSectionAuto&) = delete;
  CCriticalSectionAuto& operator=(const CCriticalSectionAuto&) = delete;

 private:
  CRITICAL_SECTION* m_section;
};
