// Helpers shared by the tests that drive Tavrel.dll as a host does: where
// the DLL is, the system's registration tool, registry reads, COM pointers.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "handles.h"

// Tavrel.dll, copied next to the test program by the build.
std::string PluginPath();

// Runs the system's regsvr32 with `switches` on the plug-in; its exit code.
DWORD RunRegsvr32(const std::string& switches);

std::string ClsidString(REFCLSID clsid);

// Under HKEY_CLASSES_ROOT, in the registry view `view` names (KEY_WOW64_32KEY,
// KEY_WOW64_64KEY; 0 is the test program's own).
bool ClassesKeyExists(const std::string& path, REGSAM view = 0);
// The REG_SZ value's text, or "<absent>" (also for another type).
std::string ClassesValue(const std::string& path, const char* name);
void CreateClassesKey(const std::string& path, REGSAM view = 0);
// Creates the key if need be and sets its REG_SZ value `name` (null: the default value).
void SetClassesValue(const std::string& path, const char* name, const char* text);
// Deletes the key and everything below it.
void DeleteClassesTree(const std::string& path, REGSAM view);

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
