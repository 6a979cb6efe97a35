// Registration and removal through the system's own regsvr32, read back from
// the registry. Leaves the registry as it found it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "class_ids.h"
#include "com_test_support.h"
#include "host_interfaces.h"
#include "host_registry.h"
#include "registry_rows.h"

namespace {

class Regsvr32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ClassesKeyExists(surface)) << "registered before the test";
    hostListExisted = ClassesKeyExists(HOST_SURFACES_KEY);
  }
  void TearDown() override {
    RunRegsvr32("/s /u");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, otherSurface.c_str());
#ifdef _WIN64
    DeleteClassesTree(surface, KEY_WOW64_32KEY);
    DeleteClassesTree(listed, KEY_WOW64_32KEY);
#endif
    if (!hostListExisted) RegDeleteKeyA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY);
  }

  void ExpectTable() {
    for (const RegistryRow& row : REGISTRY_ROWS) {
      const std::string value = ClassesValue(row.key, row.valueName);
      if (IsModulePathRow(row)) {
        EXPECT_EQ(0, lstrcmpiA(PluginPath().c_str(), value.c_str())) << row.key << ": " << value;
      } else {
        EXPECT_EQ(row.value, value) << row.key;
      }
    }
    // Nothing else: no threading model, no ProgID, no type library.
    EXPECT_EQ("<absent>", ClassesValue(surface + "\\InprocServer32", "ThreadingModel"));
    EXPECT_FALSE(ClassesKeyExists(surface + "\\ProgID"));
    EXPECT_FALSE(ClassesKeyExists(surface + "\\TypeLib"));
  }
  void ExpectNothingRegistered() {
    for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) EXPECT_FALSE(ClassesKeyExists(owned.key)) << owned.key;
  }

  const std::string surface = std::string("CLSID\\") + REGISTRY_SURFACE_CLSID;
  const std::string page = std::string("CLSID\\") + REGISTRY_PAGE_CLSID;
  const std::string listed = std::string(HOST_SURFACES_KEY) + "\\" + REGISTRY_SURFACE_CLSID;
  const std::string otherSurface = std::string(HOST_SURFACES_KEY) + "\\{0BADF00D-0000-0000-0000-000000000001}";
  bool hostListExisted = false;
};

TEST_F(Regsvr32, RegistersTheWholeTableAndRegisteringAgainChangesNothing) {
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  ExpectTable();
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  ExpectTable();
}

TEST_F(Regsvr32, UnregisterRemovesAddedSubkeysAtAnyDepthAndKeepsTheHostList) {
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  CreateClassesKey(surface + "\\InprocServer32\\Added\\Deeper\\Deepest");
  CreateClassesKey(page + "\\Extra");
  CreateClassesKey(listed + "\\One\\Two");
  CreateClassesKey(otherSurface);
  ASSERT_EQ(0u, RunRegsvr32("/s /u"));
  ExpectNothingRegistered();
  EXPECT_TRUE(ClassesKeyExists(HOST_SURFACES_KEY));
  EXPECT_TRUE(ClassesKeyExists(otherSurface));
}

TEST_F(Regsvr32, UnregisteringWhenNothingIsRegisteredSucceedsAndChangesNothing) {
  CreateClassesKey(otherSurface);
  ASSERT_EQ(0u, RunRegsvr32("/s /u"));
  ExpectNothingRegistered();
  EXPECT_TRUE(ClassesKeyExists(otherSurface));
}

// Whatever an older install or another tool left under the plug-in's own keys
// gives way to the table, so the class works again; keys and values that are
// not the plug-in's stay as they are, and so do subkeys of the host's list
// entry, which the host's namespace may use.
TEST_F(Regsvr32, RegisteringOverStrayValuesLeavesTheServerUsable) {
  SetClassesValue(surface + "\\InprocServer32", "ThreadingModel", "Free");
  SetClassesValue(surface, "AppID", "{0BADF00D-0000-0000-0000-000000000002}");
  SetClassesValue(surface + "\\TreatAs", nullptr, "{0BADF00D-0000-0000-0000-000000000003}");
  SetClassesValue(listed, "Stray", "left over");
  SetClassesValue(listed + "\\HostData", "Port", "2");
  SetClassesValue(HOST_SURFACES_KEY, "Kept", "the host's");
  SetClassesValue(otherSurface, "Description", "Another surface");
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  ExpectTable();

  EXPECT_EQ("<absent>", ClassesValue(surface, "AppID"));
  EXPECT_FALSE(ClassesKeyExists(surface + "\\TreatAs"));
  EXPECT_EQ("<absent>", ClassesValue(listed, "Stray"));
  EXPECT_EQ("2", ClassesValue(listed + "\\HostData", "Port"));
  EXPECT_EQ("the host's", ClassesValue(HOST_SURFACES_KEY, "Kept"));
  EXPECT_EQ("Another surface", ClassesValue(otherSurface, "Description"));

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    CComPtr<IControlSurface> object;
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_Tavrel, nullptr, CLSCTX_INPROC_SERVER, IID_IControlSurface, object.PutVoid()));
  }
  CoUninitialize();
  CRegKey list;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY, 0, KEY_SET_VALUE, list.Put()) == ERROR_SUCCESS)
    RegDeleteValueA(list.Get(), "Kept");
}

// Both builds on one 64-bit Windows: the x86 build's class key lives in the
// 32-bit view (written here by this 64-bit program). Unregistering the x64
// build keeps the host's list entry while the other build stands, and once it
// is gone removes the entry from both views: Wine keeps a copy per view where
// Windows shares one key.
TEST_F(Regsvr32, HostListEntryStaysWhileTheOtherViewRegistersTheSurface) {
#ifndef _WIN64
  GTEST_SKIP() << "writes the other view from a 64-bit process";
#else
  CreateClassesKey(surface + "\\InprocServer32", KEY_WOW64_32KEY);
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  ASSERT_EQ(0u, RunRegsvr32("/s /u"));
  EXPECT_FALSE(ClassesKeyExists(surface, KEY_WOW64_64KEY));
  EXPECT_TRUE(ClassesKeyExists(listed, KEY_WOW64_64KEY)) << "the x86 build lost its list entry";
  EXPECT_TRUE(ClassesKeyExists(surface + "\\InprocServer32", KEY_WOW64_32KEY));

  DeleteClassesTree(surface, KEY_WOW64_32KEY);
  CreateClassesKey(listed, KEY_WOW64_32KEY);
  ASSERT_EQ(0u, RunRegsvr32("/s /u"));
  EXPECT_FALSE(ClassesKeyExists(listed, KEY_WOW64_64KEY));
  EXPECT_FALSE(ClassesKeyExists(listed, KEY_WOW64_32KEY));
#endif
}

}  // namespace
