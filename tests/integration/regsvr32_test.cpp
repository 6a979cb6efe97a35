// Registration and removal through the system's own regsvr32, read back from
// the registry. Leaves the registry as it found it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "class_ids.h"
#include "com_test_support.h"
#include "host_registry.h"

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
    if (!hostListExisted) RegDeleteKeyA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY);
  }

  void ExpectTable() {
    EXPECT_EQ("Orvane Tavrel", ClassesValue(surface, nullptr));
    EXPECT_EQ(0, lstrcmpiA(PluginPath().c_str(), ClassesValue(surface + "\\InprocServer32", nullptr).c_str()))
        << ClassesValue(surface + "\\InprocServer32", nullptr);
    EXPECT_EQ("Tavrel Property Page", ClassesValue(page, nullptr));
    EXPECT_EQ(0, lstrcmpiA(PluginPath().c_str(), ClassesValue(page + "\\InprocServer32", nullptr).c_str()));
    EXPECT_EQ("Orvane Tavrel", ClassesValue(listed, "Description"));
    EXPECT_EQ("", ClassesValue(listed, "HelpFilePath"));
    // Nothing else: no threading model, no ProgID, no type library.
    EXPECT_EQ("<absent>", ClassesValue(surface + "\\InprocServer32", "ThreadingModel"));
    EXPECT_FALSE(ClassesKeyExists(surface + "\\ProgID"));
    EXPECT_FALSE(ClassesKeyExists(surface + "\\TypeLib"));
  }
  void ExpectNothingRegistered() {
    EXPECT_FALSE(ClassesKeyExists(surface));
    EXPECT_FALSE(ClassesKeyExists(page));
    EXPECT_FALSE(ClassesKeyExists(listed));
  }

  const std::string surface = "CLSID\\" + ClsidString(CLSID_Tavrel);
  const std::string page = "CLSID\\" + ClsidString(CLSID_TavrelPropPage);
  const std::string listed = std::string(HOST_SURFACES_KEY) + "\\" + ClsidString(CLSID_Tavrel);
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

}  // namespace
