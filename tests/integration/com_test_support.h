// Helpers shared by the tests that drive Tavrel.dll as a host does: where
// the DLL is, the system's registration tool, registry reads, COM pointers.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Tavrel.dll, copied next to the test program by the build.
std::string PluginPath();

// Runs the system's regsvr32 with `switches` on the plug-in; its exit code.
DWORD RunRegsvr32(const std::string& switches);

std::string ClsidString(REFCLSID clsid);

// Under HKEY_CLASSES_ROOT.
bool ClassesKeyExists(const std::string& path);
// The REG_SZ value's text, or "<absent>" (also for another type).
std::string ClassesValue(const std::string& path, const char* name);
void CreateClassesKey(const std::string& path);

// Releases what it holds.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
  T* operator->() const { return m_ptr; }
  T* Get() const { return m_ptr; }
  T** Put() {
    Reset();
    return &m_ptr;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (m_ptr != nullptr) m_ptr->Release();
    m_ptr = nullptr;
  }

 private:
  T* m_ptr = nullptr;
};

// Registers the plug-in with regsvr32 for a whole test suite and removes it
// afterwards, leaving the host's list key as it was found. COM is
// initialised (single-threaded apartment) on the test thread meanwhile.
class RegisteredPlugin : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

 private:
  static bool s_hostListExisted;
};

// A 30-byte settings block in a new memory stream, positioned at its start.
IStream* StreamHolding(const BYTE* bytes, ULONG size);
// Everything in `stream`, from its start.
std::string StreamBytes(IStream* stream);
