// Registration and removal through the registry seam, against a scratch key
// of the real (Wine) registry, with single calls made to fail.
#include <gtest/gtest.h>
#include <olectl.h>
#include <windows.h>

#include <set>
#include <string>

#include "handles.h"
#include "host_registry.h"
#include "module.h"
#include "registration.h"

namespace {

constexpr char SCRATCH[] = "Software\\TavrelRegistrationTests";
constexpr char SERVER_PATH[] = "C:\\Plug-ins\\Tavrel.dll";

// What a row of the table leaves in the registry under this test's server path.
std::string Expected(const RegistryRow& row) { return IsModulePathRow(row) ? SERVER_PATH : row.value; }

// The real registry, a fixed server path, and failures on request.
class ScriptedRegistry : public RegistryCalls {
 public:
  std::string failValue;    // SetString fails for this value name ("" = the default value)
  std::string stuckKey;     // DeleteKey refuses this key name
  std::string stuckValue;   // DeleteValue refuses this value name
  bool deleteLies = false;  // DeleteKey reports success without deleting
  bool failPath = false;
  LONG otherViewAnswer = ERROR_SUCCESS;  // what opening a key in the other view answers, if not this
  int deleteCalls = 0;

  LONG SetString(HKEY key, const char* name, const char* text) override {
    if (!failValue.empty() && failValue == (name ? name : "(default)")) return ERROR_ACCESS_DENIED;
    return RegistryCalls::SetString(key, name, text);
  }
  LONG OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) override {
    if ((access & OtherView()) != 0 && otherViewAnswer != ERROR_SUCCESS) return otherViewAnswer;
    return RegistryCalls::OpenKey(root, path, access, key);
  }
  LONG DeleteKey(HKEY root, const char* path, REGSAM view) override {
    ++deleteCalls;
    if (deleteLies) return ERROR_SUCCESS;
    if (stuckKey == path) return ERROR_ACCESS_DENIED;
    return RegistryCalls::DeleteKey(root, path, view);
  }
  LONG DeleteValue(HKEY key, const char* name) override {
    if (stuckValue == name) return ERROR_ACCESS_DENIED;
    return RegistryCalls::DeleteValue(key, name);
  }
  bool ServerPath(char* buffer, DWORD size) override {
    if (failPath) return false;
    lstrcpynA(buffer, SERVER_PATH, static_cast<int>(size));
    return true;
  }
};

class RegistrationWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRATCH);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SCRATCH, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             scratch.Put(), nullptr));
    root = scratch.Get();
  }
  void TearDown() override {
    scratch.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRATCH);
  }

  void MakeKey(const std::string& path) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
  }
  void SetValue(const std::string& path, const char* name, const char* text) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
    RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
  }
  bool KeyExists(const std::string& path) {
    CRegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
  }
  // The value's text, or "<absent>".
  std::string Value(const std::string& path, const char* name) {
    char data[512] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    CRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return "<absent>";
    const LONG result = RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (result != ERROR_SUCCESS || type != REG_SZ) return "<absent>";
    return data;
  }
  std::set<std::string> Subkeys(const std::string& path) {
    std::set<std::string> names;
    CRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.insert(name);
    }
    return names;
  }

  CRegKey scratch;
  HKEY root = nullptr;  // the scratch key, held by `scratch`
  ScriptedRegistry registry;
  const std::string listed = std::string(HOST_SURFACES_KEY) + "\\" + REGISTRY_SURFACE_CLSID;
};

TEST_F(RegistrationWalk, FailedWriteStillRunsEveryStepAndIsReported) {
  registry.failValue = "Description";
  EXPECT_EQ(SELFREG_E_CLASS, RegisterServer(registry, root));
  // Every row but the failing one was still written.
  for (const RegistryRow& row : REGISTRY_ROWS) {
    const bool failed = row.valueName != nullptr && registry.failValue == row.valueName;
    EXPECT_EQ(failed ? "<absent>" : Expected(row), Value(row.key, row.valueName)) << row.key;
  }

  registry.failValue.clear();
  EXPECT_EQ(S_OK, RegisterServer(registry, root));
  for (const RegistryRow& row : REGISTRY_ROWS) EXPECT_EQ(Expected(row), Value(row.key, row.valueName)) << row.key;
}

TEST_F(RegistrationWalk, ServerPathThatCannotBeHadWritesNoClassKeys) {
  registry.failPath = true;
  EXPECT_EQ(SELFREG_E_CLASS, RegisterServer(registry, root));
  EXPECT_TRUE(Subkeys("CLSID").empty());
  EXPECT_EQ("Orvane Tavrel", Value(listed, "Description"));
}

// An older registration spelt in other case is the same keys and values:
// tidying keeps them, and a stray value it cannot remove is reported while
// the rest is still tidied.
TEST_F(RegistrationWalk, TidyingMatchesNamesWithoutCaseAndReportsWhatStays) {
  SetValue("clsid\\{875363bb-fc50-4350-8e52-ffef845d52e3}\\inprocserver32", "threadingmodel", "Free");
  SetValue("merrowcontrolsurfaces\\{875363bb-fc50-4350-8e52-ffef845d52e3}", "description", "old");
  SetValue(listed, "Stuck", "x");
  SetValue(listed, "Loose", "y");
  registry.stuckValue = "Stuck";
  EXPECT_EQ(SELFREG_E_CLASS, RegisterServer(registry, root));
  for (const RegistryRow& row : REGISTRY_ROWS) EXPECT_EQ(Expected(row), Value(row.key, row.valueName)) << row.key;
  EXPECT_EQ("<absent>", Value(REGISTRY_ROWS[1].key, "ThreadingModel"));
  EXPECT_EQ("x", Value(listed, "Stuck"));
  EXPECT_EQ("<absent>", Value(listed, "Loose"));
}

// Unregistering reaches the table's keys only: another class registered
// beside ours, and another surface in the host's list, survive.
TEST_F(RegistrationWalk, UnregisterLeavesOtherClassesBesideOurs) {
  ASSERT_EQ(S_OK, RegisterServer(registry, root));
  MakeKey("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32");
  MakeKey(std::string(HOST_SURFACES_KEY) + "\\{Another Surface}");
  EXPECT_EQ(S_OK, UnregisterServer(registry, root));
  EXPECT_EQ(std::set<std::string>{"{00000000-1111-2222-3333-444444444444}"}, Subkeys("CLSID"));
  EXPECT_EQ(std::set<std::string>{"{Another Surface}"}, Subkeys(HOST_SURFACES_KEY));
}

// The host's list entry goes only when the other view certainly holds no
// registration of the surface: one that cannot be looked at keeps it.
TEST_F(RegistrationWalk, HostListEntryStaysUnlessTheOtherViewIsSurelyUnregistered) {
  if (registry.OtherView() == 0) GTEST_SKIP() << "32-bit Windows has one registry view";
  ASSERT_EQ(S_OK, RegisterServer(registry, root));
  registry.otherViewAnswer = ERROR_ACCESS_DENIED;
  EXPECT_EQ(S_OK, UnregisterServer(registry, root));
  EXPECT_EQ("Orvane Tavrel", Value(listed, "Description"));
  registry.otherViewAnswer = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(S_OK, UnregisterServer(registry, root));
  EXPECT_FALSE(KeyExists(listed));
}

TEST_F(RegistrationWalk, DeleteKeyTreeRefusesNamesThatAreNotOneWholeKey) {
  MakeKey("CLSID\\{A}\\InprocServer32");
  for (const char* name : {"", "CLSID\\", "\\CLSID", "CLSID\\\\{A}"}) {
    EXPECT_FALSE(DeleteKeyTree(registry, root, name)) << '"' << name << '"';
  }
  EXPECT_FALSE(DeleteKeyTree(registry, root, nullptr));
  EXPECT_EQ(0, registry.deleteCalls);
  EXPECT_TRUE(KeyExists("CLSID\\{A}\\InprocServer32"));
}

TEST_F(RegistrationWalk, DeleteKeyTreeRemovesEveryDepthAndTreatsAbsentAsDone) {
  for (const char* path : {"T\\a\\b\\c\\d", "T\\a\\e", "T\\f", "T\\g\\h"}) MakeKey(path);
  EXPECT_TRUE(DeleteKeyTree(registry, root, "T"));
  EXPECT_FALSE(KeyExists("T"));
  EXPECT_TRUE(DeleteKeyTree(registry, root, "T"));
  EXPECT_TRUE(DeleteKeyTree(registry, root, "Never\\There"));
}

TEST_F(RegistrationWalk, DeleteKeyTreeEndsAtASubkeyThatCannotBeDeleted) {
  for (const char* path : {"T\\a", "T\\b\\c", "T\\z"}) MakeKey(path);
  registry.stuckKey = "c";
  EXPECT_FALSE(DeleteKeyTree(registry, root, "T"));
  EXPECT_LT(registry.deleteCalls, 10);
  EXPECT_TRUE(KeyExists("T\\b\\c"));
  EXPECT_FALSE(KeyExists("T\\a"));  // deleted before the walk reached the stuck key

  // A registry that reports a deletion it did not make ends the walk too.
  registry.stuckKey.clear();
  registry.deleteLies = true;
  registry.deleteCalls = 0;
  EXPECT_FALSE(DeleteKeyTree(registry, root, "T"));
  EXPECT_LT(registry.deleteCalls, 10);
}

TEST_F(RegistrationWalk, UnregisterRemovesAddedSubkeysKeepsTheListAndAcceptsAbsentKeys) {
  ASSERT_EQ(S_OK, RegisterServer(registry, root));
  for (const RegistryRow& row : REGISTRY_ROWS) MakeKey(std::string(row.key) + "\\Added\\Deeper");
  MakeKey(std::string(HOST_SURFACES_KEY) + "\\{Another Surface}");
  EXPECT_EQ(S_OK, UnregisterServer(registry, root));
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) EXPECT_FALSE(KeyExists(owned.key)) << owned.key;
  EXPECT_EQ(std::set<std::string>{"{Another Surface}"}, Subkeys(HOST_SURFACES_KEY));
  EXPECT_EQ(S_OK, UnregisterServer(registry, root));
}

TEST(ModulePath, WholePathOrFailure) {
  char whole[MAX_PATH];
  ASSERT_TRUE(GetModulePath(nullptr, whole, sizeof whole));
  const DWORD length = static_cast<DWORD>(lstrlenA(whole));
  ASSERT_GT(length, 3u);

  // A buffer the name fills completely means a cut-off name.
  char exact[MAX_PATH];
  EXPECT_FALSE(GetModulePath(nullptr, exact, length));
  EXPECT_STREQ("", exact);
  char roomy[MAX_PATH];
  EXPECT_TRUE(GetModulePath(nullptr, roomy, length + 1));
  EXPECT_STREQ(whole, roomy);

  char none[MAX_PATH];
  EXPECT_FALSE(GetModulePath(reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x10)), none, sizeof none));
}

}  // namespace
