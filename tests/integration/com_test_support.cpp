#include "com_test_support.h"

#include <vector>

#include "handles.h"
#include "host_registry.h"

std::string PluginPath() {
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string path(exe, length);
  return path.substr(0, path.find_last_of('\\') + 1) + "Tavrel.dll";
}

DWORD RunRegsvr32(const std::string& switches) {
  std::string line = "regsvr32.exe " + switches + " \"" + PluginPath() + "\"";
  std::vector<char> command(line.begin(), line.end());
  command.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return static_cast<DWORD>(-1);
  CScopeExit closeProcess([&] {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  });
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = static_cast<DWORD>(-2);
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

std::string ClsidString(REFCLSID clsid) {
  LPOLESTR wide = nullptr;
  if (FAILED(StringFromCLSID(clsid, &wide))) return "";
  CScopeExit freeWide([&] { CoTaskMemFree(wide); });
  char text[64] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

bool ClassesKeyExists(const std::string& path, REGSAM view) {
  CRegKey key;
  return RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

std::string ClassesValue(const std::string& path, const char* name) {
  CRegKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return "<absent>";
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  if (result != ERROR_SUCCESS || type != REG_SZ) return "<absent>";
  return std::string(data);
}

void CreateClassesKey(const std::string& path, REGSAM view) {
  CRegKey key;
  RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.Put(), nullptr);
}

void SetClassesValue(const std::string& path, const char* name, const char* text) {
  CRegKey key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
}

void DeleteClassesTree(const std::string& path, REGSAM view) {
  // The parent is opened in the view, so the tree deleted below it is that view's.
  const size_t slash = path.find_last_of('\\');
  const std::string parentPath = slash == std::string::npos ? "" : path.substr(0, slash);
  CRegKey parent;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, parentPath.c_str(), 0, KEY_ALL_ACCESS | view, parent.Put()) != ERROR_SUCCESS)
    return;
  RegDeleteTreeA(parent.Get(), path.substr(slash + 1).c_str());
}

bool RegisteredPlugin::s_hostListExisted = false;

void RegisteredPlugin::SetUpTestSuite() {
  s_hostListExisted = ClassesKeyExists(HOST_SURFACES_KEY);
  ASSERT_EQ(0u, RunRegsvr32("/s"));
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

void RegisteredPlugin::TearDownTestSuite() {
  CoUninitialize();
  EXPECT_EQ(0u, RunRegsvr32("/s /u"));
  if (!s_hostListExisted) RegDeleteKeyA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY);
}

IStream* StreamHolding(const BYTE* bytes, ULONG size) {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
  ULONG written = 0;
  stream->Write(bytes, size, &written);
  const LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  return stream;
}

std::string StreamBytes(IStream* stream) {
  const LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  std::string bytes;
  char chunk[256];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) bytes.append(chunk, read);
  return bytes;
}
