// Quillet.dll under Wine: the real registry, registration tool and message
// boxes. The plug-in is played by the probe DLL, copied to Tavrel.dll.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "handles.h"
#include "host_registry.h"
#include "probe_registry.h"
#include "win_test_support.h"

namespace {

using HookExport = LONG(WINAPI*)(void*, void*, const char*);
using InitializeExport = LONG(WINAPI*)(HWND, void*, void*);

// GetProcAddress answers a generic function pointer; go through void(*)() to
// the export's real type.
template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

constexpr char FAILURE_TEXT[] = "Error in Unregistering Tavrel.dll.  File \nMust be Unregistered manually.";

class QuilletTest : public testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryA(WindowsPathOf(QUILLET_DLL).c_str());
    ASSERT_NE(m_module, nullptr);
    // Undecorated names on both targets; a stdcall mismatch would corrupt the
    // x86 stack on the first call.
    m_quillet = ExportOf<HookExport>(m_module, "Quillet");
    m_initialize = ExportOf<InitializeExport>(m_module, "UninstInitialize");
    m_uninitialize = ExportOf<HookExport>(m_module, "UninstUnInitialize");
    ASSERT_TRUE(m_quillet && m_initialize && m_uninitialize);
    DeleteSharedSurfacesKeys();
  }
  void TearDown() override {
    DeleteSharedSurfacesKeys();
    if (m_module) FreeLibrary(m_module);
  }

  static void DeleteSharedSurfacesKeys() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, SHARED_SURFACES_KEY, view, 0);
  }
  // `view` 0 is this program's own registry view.
  static void SetInstallDirectory(DWORD type, const void* data, DWORD size, REGSAM view = 0) {
    CRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, SHARED_SURFACES_KEY, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.Get(), SHARED_SURFACES_DIR_VALUE, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  static void SetInstallDirectory(const std::string& text, DWORD type = REG_SZ, REGSAM view = 0) {
    SetInstallDirectory(type, text.c_str(), static_cast<DWORD>(text.size() + 1), view);
  }

  // The probe as the plug-in in the Tavrel folder below `shared`,
  // registered; empty if that failed.
  static std::string InstallRegisteredProbe(const CScratchFolder& shared) {
    const std::string probe = PlaceProbePlugin(WindowsPathOf(PROBE_DLL), shared.Path() + "\\Tavrel");
    if (probe.empty() || !RunRegistrationTool(probe, false) || !ProbeIsRegistered(probe.c_str())) return {};
    return probe;
  }

  // Calls UninstInitialize with a window of ours as owner and answers the
  // message boxes it showed (each one dismissed by the watcher).
  std::vector<SeenWindow> InitializeAndCollectBoxes(LONG& result) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CScopeExit destroyOwner([&] { DestroyWindow(owner); });
    std::vector<SeenWindow> boxes;
    {
      CWindowWatcher watcher(true);
      result = m_initialize(owner, nullptr, nullptr);
      Sleep(300);  // a second box would show up by now
      for (const SeenWindow& seen : watcher.Seen()) {
        if (seen.className == "#32770") boxes.push_back(seen);
      }
    }
    for (SeenWindow& box : boxes) box.owner = box.owner == owner ? owner : nullptr;
    return boxes;
  }

  void ExpectOneFailureBox() {
    LONG result = -1;
    std::vector<SeenWindow> boxes = InitializeAndCollectBoxes(result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, FAILURE_TEXT);
    EXPECT_EQ(boxes[0].caption, "Error") << "no caption of its own: the system's default";
    EXPECT_EQ(boxes[0].processId, GetCurrentProcessId());
    EXPECT_NE(boxes[0].owner, nullptr) << "owned by the window passed in";
  }

  HMODULE m_module = nullptr;
  HookExport m_quillet = nullptr;
  InitializeExport m_initialize = nullptr;
  HookExport m_uninitialize = nullptr;
};

TEST_F(QuilletTest, MissingKeyOrValueShowsTheBoxOnce) {
  ExpectOneFailureBox();  // no key at all
  CRegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, SHARED_SURFACES_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                            nullptr),
            ERROR_SUCCESS);
  ExpectOneFailureBox();  // the key without its value
}

// Values that must not turn into a command line: each gives the box, and
// nothing is started (the probe placed where a garbled path might lead
// stays registered).
TEST_F(QuilletTest, UnusableValuesShowTheBox) {
  CScratchFolder scratch;
  const std::string probe = InstallRegisteredProbe(scratch);
  ASSERT_FALSE(probe.empty());

  SCOPED_TRACE("longer than the value buffer");
  SetInstallDirectory(scratch.Path() + std::string(300, '\\'));
  ExpectOneFailureBox();

  SCOPED_TRACE("fills the buffer without a terminating zero");
  const std::string full = scratch.Path() + std::string(256 - scratch.Path().size(), '\\');
  SetInstallDirectory(REG_SZ, full.data(), 256);
  ExpectOneFailureBox();

  SCOPED_TRACE("not text");
  SetInstallDirectory(REG_BINARY, scratch.Path().c_str(), static_cast<DWORD>(scratch.Path().size() + 1));
  ExpectOneFailureBox();

  SCOPED_TRACE("empty");
  SetInstallDirectory("");
  ExpectOneFailureBox();

  SCOPED_TRACE("a double quote that would add arguments");
  SetInstallDirectory(scratch.Path() + "\" \"" + scratch.Path());
  ExpectOneFailureBox();

  Sleep(1000);
  EXPECT_TRUE(ProbeIsRegistered(probe.c_str()));
  EXPECT_EQ(ProbeUnregisterCount(probe.c_str()), 0u);
  RunRegistrationTool(probe, true);
}

TEST_F(QuilletTest, UnregistersThePluginQuietly) {
  CScratchFolder scratch;
  const std::string probe = InstallRegisteredProbe(scratch);
  ASSERT_FALSE(probe.empty());
  SetInstallDirectory(scratch.Path());

  CWindowWatcher watcher(true);
  EXPECT_EQ(m_initialize(nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(WaitFor([&] { return !ProbeIsRegistered(probe.c_str()); }, 60000)) << "registration still there";
  Sleep(1000);
  EXPECT_EQ(ProbeUnregisterCount(probe.c_str()), 1u) << "exactly one run of the registration tool";
  for (const SeenWindow& seen : watcher.Seen()) {
    ADD_FAILURE() << "a window appeared: class " << seen.className << ", caption \"" << seen.caption << "\"";
  }
}

// A value that names the folder through the environment is expanded; the
// registration tool would take "%...%" literally.
TEST_F(QuilletTest, ExpandsAnExpandableValue) {
  CScratchFolder scratch;
  const std::string probe = InstallRegisteredProbe(scratch);
  ASSERT_FALSE(probe.empty());
  ASSERT_TRUE(SetEnvironmentVariableA("TAVREL_TEST_SHARED", scratch.Path().c_str()));
  SetInstallDirectory("%TAVREL_TEST_SHARED%", REG_EXPAND_SZ);

  EXPECT_EQ(m_initialize(nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(WaitFor([&] { return !ProbeIsRegistered(probe.c_str()); }, 60000));
}

// A 32-bit installer on 64-bit Windows writes the folder into the 32-bit
// view (written here by this 64-bit program); the x64 hook finds it there.
TEST_F(QuilletTest, ReadsTheFolderFromTheOtherRegistryViewToo) {
#ifndef _WIN64
  GTEST_SKIP() << "writes the other view from a 64-bit process";
#else
  CScratchFolder scratch;
  const std::string probe = InstallRegisteredProbe(scratch);
  ASSERT_FALSE(probe.empty());
  SetInstallDirectory(scratch.Path(), REG_SZ, KEY_WOW64_32KEY);

  CWindowWatcher watcher(true);
  EXPECT_EQ(m_initialize(nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(WaitFor([&] { return !ProbeIsRegistered(probe.c_str()); }, 60000));
  EXPECT_TRUE(watcher.Seen().empty()) << "the failure box";
#endif
}

TEST_F(QuilletTest, QuilletStartsTheCommandItIsGiven) {
  CScratchFolder scratch;
  const std::string probe = PlaceProbePlugin(WindowsPathOf(PROBE_DLL), scratch.Path());
  const std::string command = "regsvr32.exe /s \"" + probe + "\"";
  EXPECT_EQ(m_quillet(nullptr, nullptr, command.c_str()), 10);
  EXPECT_TRUE(WaitFor([&] { return ProbeIsRegistered(probe.c_str()); }, 60000)) << "the command did not run";
  RunRegistrationTool(probe, true);

  const std::string missing = scratch.Path() + "\\does-not-exist.exe";
  EXPECT_EQ(m_quillet(nullptr, nullptr, missing.c_str()), -10);
  EXPECT_EQ(m_quillet(nullptr, nullptr, nullptr), -10);
}

TEST_F(QuilletTest, UninitializeDoesNothing) {
  int anything = 0;
  EXPECT_EQ(m_uninitialize(&anything, &anything, "ignored"), 0);
  EXPECT_EQ(m_uninitialize(nullptr, nullptr, nullptr), 0);
}

}  // namespace
