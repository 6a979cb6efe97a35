// Writing and removing the plug-in's registry keys: two walks over the
// tables of registry_rows.h.
#include "registration.h"

#include <olectl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "class_ids.h"
#include "handles.h"
#include "host_registry.h"

namespace {

constexpr size_t SUBKEY_NAME_SIZE = 256;
constexpr size_t VALUE_NAME_SIZE = 16384;

// --- The tables against the rest of the plug-in, checked while compiling ---

// The braced text form of a CLSID, as StringFromCLSID writes it.
constexpr std::array<char, 39> ClsidText(const CLSID& clsid) {
  constexpr char DIGITS[] = "0123456789ABCDEF";
  std::array<char, 39> text{};
  size_t at = 0;
  const auto put = [&](unsigned long value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text[at++] = DIGITS[(value >> shift) & 0xF];
  };
  text[at++] = '{';
  put(clsid.Data1, 8);
  text[at++] = '-';
  put(clsid.Data2, 4);
  text[at++] = '-';
  put(clsid.Data3, 4);
  text[at++] = '-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) text[at++] = '-';
    put(clsid.Data4[i], 2);
  }
  text[at++] = '}';
  return text;
}

constexpr bool IsTextOf(std::string_view text, const CLSID& clsid) {
  return text == std::string_view(ClsidText(clsid).data());
}

static_assert(IsTextOf(REGISTRY_SURFACE_CLSID, CLSID_Tavrel), "the table's surface CLSID is not class_ids.h's");
static_assert(IsTextOf(REGISTRY_PAGE_CLSID, CLSID_TavrelPropPage), "the table's page CLSID is not class_ids.h's");

// "CLSID\{clsid}" or the host's list key and "\{clsid}", optionally with
// subkeys, for one of the two served classes: a mistyped row would register
// a class that nobody serves.
constexpr bool NamesAServedClass(std::string_view key) {
  for (std::string_view prefix : {std::string_view("CLSID"), std::string_view(HOST_SURFACES_KEY)}) {
    if (!key.starts_with(prefix) || !key.substr(prefix.size()).starts_with('\\')) continue;
    const std::string_view rest = key.substr(prefix.size() + 1);
    for (std::string_view clsid : {std::string_view(REGISTRY_SURFACE_CLSID), std::string_view(REGISTRY_PAGE_CLSID)}) {
      if (rest.starts_with(clsid) && (rest.size() == clsid.size() || rest[clsid.size()] == '\\')) return true;
    }
  }
  return false;
}

// The owned key at or above `key`, or none.
constexpr const RegistryOwnedKey* OwnerOf(std::string_view key) {
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) {
    const std::string_view name = owned.key;
    if (key.starts_with(name) && (key.size() == name.size() || key[name.size()] == '\\')) return &owned;
  }
  return nullptr;
}

// Every row names a served class and is removed with an owned key.
constexpr bool TablesAgree() {
  for (const RegistryRow& row : REGISTRY_ROWS) {
    if (!NamesAServedClass(row.key) || OwnerOf(row.key) == nullptr || row.value == nullptr) return false;
  }
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) {
    if (!NamesAServedClass(owned.key)) return false;
    if (owned.keptWhileOtherViewHas != nullptr && !NamesAServedClass(owned.keptWhileOtherViewHas)) return false;
  }
  return true;
}
static_assert(TablesAgree(), "a registry row names no served class or is not removed with an owned key");

// --- The walks -------------------------------------------------------------

bool RegistersTheModule(const RegistryOwnedKey* owner) {
  return std::any_of(std::begin(REGISTRY_ROWS), std::end(REGISTRY_ROWS),
                     [&](const RegistryRow& row) { return OwnerOf(row.key) == owner && IsModulePathRow(row); });
}

// A key name that names one definite key: not empty, no empty component.
// "CLSID\" or "\x" would otherwise reach far more than one class's keys.
bool IsWholeKeyName(const char* name) {
  if (name == nullptr || name[0] == '\0' || name[0] == '\\') return false;
  const size_t length = std::strlen(name);
  return name[length - 1] != '\\' && std::strstr(name, "\\\\") == nullptr;
}

// Registry names compare without regard to case: registering again over a
// key spelt "inprocserver32" writes into that same key.
bool SameName(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return fold(x) == fold(y); });
}

// `key` is a row's key or lies on the way to one.
bool LeadsToARow(std::string_view key) {
  return std::any_of(std::begin(REGISTRY_ROWS), std::end(REGISTRY_ROWS), [&](const RegistryRow& row) {
    const std::string_view rowKey = row.key;
    return rowKey.size() >= key.size() && SameName(rowKey.substr(0, key.size()), key) &&
           (rowKey.size() == key.size() || rowKey[key.size()] == '\\');
  });
}

// A row writes value `name` ("" for the default value) of `key`.
bool IsARowsValue(std::string_view key, std::string_view name) {
  return std::any_of(std::begin(REGISTRY_ROWS), std::end(REGISTRY_ROWS), [&](const RegistryRow& row) {
    return SameName(row.key, key) && SameName(row.valueName != nullptr ? row.valueName : "", name);
  });
}

// The names of every value, or every subkey, of `key`: collected before any
// is deleted, since a deletion moves the ones after it.
template <typename NameAt>
std::vector<std::string> Names(char* buffer, DWORD size, NameAt nameAt) {
  std::vector<std::string> names;
  for (DWORD index = 0; nameAt(index, buffer, size) == ERROR_SUCCESS; ++index) names.emplace_back(buffer);
  return names;
}

// Brings root\path, written by the rows, back to what they describe: its
// values that no row names are deleted, and so are its subkeys that hold no
// row (those stay where `owner` keeps them). Subkeys that do hold rows are
// tidied the same way. True when nothing stray is left.
bool TidyKey(RegistryCalls& registry, HKEY root, const std::string& path, const RegistryOwnedKey& owner) {
  CRegKey key;
  const LONG opened = registry.OpenKey(root, path.c_str(), KEY_ALL_ACCESS, key.Put());
  if (opened == ERROR_FILE_NOT_FOUND) return true;  // not written: its failure is already reported
  if (opened != ERROR_SUCCESS) return false;
  bool ok = true;

  std::vector<char> valueName(VALUE_NAME_SIZE);
  const auto valueAt = [&](DWORD index, char* name, DWORD size) {
    return registry.ValueName(key.Get(), index, name, size);
  };
  for (const std::string& name : Names(valueName.data(), VALUE_NAME_SIZE, valueAt)) {
    if (IsARowsValue(path, name)) continue;
    ok = registry.DeleteValue(key.Get(), name.c_str()) == ERROR_SUCCESS && ok;
  }

  char subkeyName[SUBKEY_NAME_SIZE];
  const auto subkeyAt = [&](DWORD index, char* name, DWORD size) {
    return registry.SubkeyName(key.Get(), index, name, size);
  };
  for (const std::string& name : Names(subkeyName, SUBKEY_NAME_SIZE, subkeyAt)) {
    const std::string child = path + '\\' + name;
    if (LeadsToARow(child)) {
      ok = TidyKey(registry, root, child, owner) && ok;
    } else if (!owner.keepsOtherSubkeys) {
      ok = DeleteKeyTree(registry, key.Get(), name.c_str()) && ok;
    }
  }
  return ok;
}

bool IsGone(LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

// True unless the key is certainly absent: when it cannot even be looked at
// (no rights), the shared key it guards stays rather than cost the other
// build its registration.
bool MayExist(RegistryCalls& registry, HKEY root, const char* path, REGSAM view) {
  CRegKey key;
  return registry.OpenKey(root, path, KEY_QUERY_VALUE | view, key.Put()) != ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool SetKeyAndValue(RegistryCalls& registry, HKEY root, const char* key, const char* valueName, const char* text) {
  CRegKey opened;
  if (registry.CreateKey(root, key, opened.Put()) != ERROR_SUCCESS) return false;
  return registry.SetString(opened.Get(), valueName, text) == ERROR_SUCCESS;
}

bool DeleteKeyTree(RegistryCalls& registry, HKEY root, const char* name, REGSAM view) {
  if (!IsWholeKeyName(name)) return false;
  {
    CRegKey key;
    const LONG opened = registry.OpenKey(root, name, KEY_ALL_ACCESS | view, key.Put());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened == ERROR_SUCCESS) {
      // Each pass deletes the subkey at index 0, so the next pass finds the
      // next one. A subkey that survives its deletion ends the walk.
      char subkey[SUBKEY_NAME_SIZE];
      char previous[SUBKEY_NAME_SIZE] = "";
      while (registry.SubkeyName(key.Get(), 0, subkey, sizeof subkey) == ERROR_SUCCESS) {
        if (std::strcmp(subkey, previous) == 0 || !DeleteKeyTree(registry, key.Get(), subkey, view)) return false;
        std::memcpy(previous, subkey, sizeof previous);
      }
    }
  }  // closed before it is deleted
  return IsGone(registry.DeleteKey(root, name, view));
}

HRESULT RegisterServer(RegistryCalls& registry, HKEY root) {
  char modulePath[MAX_PATH];
  const bool havePath = registry.ServerPath(modulePath, sizeof modulePath);
  bool ok = havePath;
  for (const RegistryRow& row : REGISTRY_ROWS) {
    if (!havePath && RegistersTheModule(OwnerOf(row.key))) continue;
    const char* text = IsModulePathRow(row) ? modulePath : row.value;
    ok = SetKeyAndValue(registry, root, row.key, row.valueName, text) && ok;
  }
  // What an older install or another tool left under our keys would still
  // count: a stray ThreadingModel makes COM create the class in another
  // apartment, where no proxy for its interfaces exists.
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) {
    if (!havePath && RegistersTheModule(&owned)) continue;
    ok = TidyKey(registry, root, owned.key, owned) && ok;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer(RegistryCalls& registry, HKEY root) {
  bool ok = true;
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) {
    const REGSAM other = owned.keptWhileOtherViewHas != nullptr ? registry.OtherView() : 0;
    if (other != 0) {
      // The class keys came first, so a view that shared them (none does)
      // would already read as unregistered here.
      if (MayExist(registry, root, owned.keptWhileOtherViewHas, other)) continue;
      // Windows shares this key between the views, Wine keeps a copy per
      // view: with neither build registered, no view keeps it.
      ok = DeleteKeyTree(registry, root, owned.key, other) && ok;
    }
    ok = DeleteKeyTree(registry, root, owned.key) && ok;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}
