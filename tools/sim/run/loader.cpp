#include "run/loader.h"

#include <cstdio>
#include <vector>

#include "class_ids.h"
#include "host_registry.h"

namespace sim {
namespace {

std::string HResultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

std::string QueryString(HKEY root, const std::string& key, const char* value) {
  char data[1024] = "";
  DWORD size = sizeof data - 1;
  if (RegGetValueA(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return "";
  return data;
}

bool ParseClsid(const std::string& text, CLSID* clsid) {
  std::wstring wide(text.begin(), text.end());
  return CLSIDFromString(wide.c_str(), clsid) == S_OK;
}

struct Listed {
  std::string clsid, description;
};

std::vector<Listed> ListSurfaces(bool* opened) {
  std::vector<Listed> listed;
  HKEY key = nullptr;
  *opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, HOST_SURFACES_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (!*opened) return listed;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    listed.push_back({name, QueryString(key, name, "Description")});
  }
  RegCloseKey(key);
  return listed;
}

bool FromRegistry(const std::string& clsidText, const std::string& description, bool list, LoadedSurface* loaded,
                  std::string* error) {
  bool opened = false;
  const std::vector<Listed> listed = ListSurfaces(&opened);
  const std::string where = std::string("HKCR\\") + HOST_SURFACES_KEY;
  if (!opened) {
    *error = "the host's list of surfaces " + where + " does not exist: is the plug-in registered?";
    return false;
  }
  if (list)
    for (const Listed& entry : listed)
      std::printf("surface %s \"%s\"\n", entry.clsid.c_str(), entry.description.c_str());
  std::string chosen = clsidText;
  if (chosen.empty())
    for (const Listed& entry : listed)
      if (entry.description == description) chosen = entry.clsid;
  if (chosen.empty()) {
    *error = "no surface described as \"" + description + "\" under " + where + " (" + std::to_string(listed.size()) +
             " listed)";
    return false;
  }
  if (!ParseClsid(chosen, &loaded->clsid)) {
    *error = "\"" + chosen + "\" is not a CLSID";
    return false;
  }
  chosen = ClsidText(loaded->clsid);
  bool listedHere = false;
  for (const Listed& entry : listed) {
    CLSID listedClsid = {};
    if (ParseClsid(entry.clsid, &listedClsid) && IsEqualCLSID(listedClsid, loaded->clsid)) listedHere = true;
  }
  if (!listedHere) {
    *error = "surface " + chosen + " is not listed under " + where + " (" + std::to_string(listed.size()) + " listed)";
    return false;
  }
  const std::string server = QueryString(HKEY_CLASSES_ROOT, "CLSID\\" + chosen + "\\InprocServer32", nullptr);
  const HRESULT hr = CoCreateInstance(loaded->clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IControlSurface,
                                      reinterpret_cast<void**>(&loaded->surface));
  if (FAILED(hr) || loaded->surface == nullptr) {
    *error = "CoCreateInstance of " + chosen + " (listed under " + where + ", server \"" +
             (server.empty() ? std::string("not registered under HKCR\\CLSID") : server) +
             "\") failed: " + HResultText(hr);
    loaded->surface = nullptr;
    return false;
  }
  loaded->description = "surface " + chosen + " from " + where + ", server " + server;
  return true;
}

bool FromFile(const std::string& path, const std::string& clsidText, LoadedSurface* loaded, std::string* error) {
  loaded->clsid = CLSID_Tavrel;
  if (!clsidText.empty() && !ParseClsid(clsidText, &loaded->clsid)) {
    *error = "\"" + clsidText + "\" is not a CLSID";
    return false;
  }
  loaded->module = LoadLibraryA(path.c_str());
  if (loaded->module == nullptr) {
    *error = "cannot load \"" + path + "\": error " + std::to_string(GetLastError());
    return false;
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(loaded->module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  HRESULT hr =
      get == nullptr ? E_NOINTERFACE : get(loaded->clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (get != nullptr && SUCCEEDED(hr) && factory != nullptr) {
    hr = factory->CreateInstance(nullptr, IID_IControlSurface, reinterpret_cast<void**>(&loaded->surface));
    factory->Release();
  }
  if (get == nullptr || FAILED(hr) || loaded->surface == nullptr) {
    *error = "\"" + path + "\"" +
             (get == nullptr ? " has no DllGetClassObject"
                             : " does not serve class " + ClsidText(loaded->clsid) + ": " + HResultText(hr));
    loaded->surface = nullptr;
    FreeLibrary(loaded->module);
    loaded->module = nullptr;
    return false;
  }
  loaded->description = "surface " + ClsidText(loaded->clsid) + " from " + path;
  return true;
}

}  // namespace

std::string ClsidText(REFCLSID clsid) {
  wchar_t wide[64] = L"";
  StringFromGUID2(clsid, wide, 64);
  std::string text;
  for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
  return text;
}

std::string DescribePages(IControlSurface* surface) {
  ISpecifyPropertyPages* specify = nullptr;
  if (FAILED(surface->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify))) ||
      specify == nullptr)
    return "no ISpecifyPropertyPages";
  CAUUID pages = {};
  const HRESULT hr = specify->GetPages(&pages);
  specify->Release();
  if (FAILED(hr)) return "GetPages failed: " + HResultText(hr);
  std::string text = "property pages:";
  for (ULONG i = 0; i < pages.cElems && pages.pElems != nullptr; ++i)
    text.append(" ").append(ClsidText(pages.pElems[i]));
  CoTaskMemFree(pages.pElems);
  return text;
}

bool LoadSurface(const std::string& dllPath, const std::string& clsidText, const std::string& description, bool list,
                 LoadedSurface* loaded, std::string* error) {
  if (dllPath.empty()) return FromRegistry(clsidText, description, list, loaded, error);
  return FromFile(dllPath, clsidText, loaded, error);
}

bool UnloadSurface(LoadedSurface* loaded) {
  if (loaded->surface != nullptr) loaded->surface->Release();
  loaded->surface = nullptr;
  if (loaded->module == nullptr) return true;
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto canUnload =
      reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(loaded->module, "DllCanUnloadNow")));
  const bool free = canUnload != nullptr && canUnload() == S_OK;
  if (free) FreeLibrary(loaded->module);
  loaded->module = nullptr;
  return free;
}

}  // namespace sim
