#include "com_test_support.h"

#include <vector>

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
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = static_cast<DWORD>(-2);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string ClsidString(REFCLSID clsid) {
  LPOLESTR wide = nullptr;
  if (FAILED(StringFromCLSID(clsid, &wide))) return "";
  char text[64] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  CoTaskMemFree(wide);
  return text;
}

bool ClassesKeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string ClassesValue(const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<absent>";
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return "<absent>";
  return std::string(data);
}

void CreateClassesKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(key);
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
