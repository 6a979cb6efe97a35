// Every registry entry the plug-in writes, as one table of rows, and the keys
// it owns: registration leaves nothing else in them, and removal deletes them. DllRegisterServer and
// DllUnregisterServer walk these tables; the registration tests read the keys back from them, a test ties
// docs/registration.md to them, and the installers check their result
// against them. Portable on purpose (no Windows header): a native tool can
// include it as well as the Windows programs.
//
// Keys are relative to HKEY_CLASSES_ROOT and spell the CLSIDs out as text;
// registration.cpp checks at compile time that the text is the CLSIDs of
// plugin/surface/class_ids.h.
#pragma once

#include <string_view>

struct RegistryRow {
  const char* key;
  const char* valueName;  // nullptr: the key's default value
  const char* value;      // REGISTRY_MODULE_PATH: the DLL's full path
};

// Stands for the full path of the registered Tavrel.dll in a row's value.
inline constexpr const char REGISTRY_MODULE_PATH[] = "%MODULE%";

constexpr bool IsModulePathRow(const RegistryRow& row) { return std::string_view(row.value) == REGISTRY_MODULE_PATH; }

inline constexpr const char REGISTRY_SURFACE_CLSID[] = "{875363BB-FC50-4350-8E52-FFEF845D52E3}";
inline constexpr const char REGISTRY_PAGE_CLSID[] = "{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}";

// All REG_SZ, written in this order. The last key is the surface's entry in
// the host's list of installed control surfaces.
inline constexpr RegistryRow REGISTRY_ROWS[] = {
    {"CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", nullptr, "Orvane Tavrel"},
    {"CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}\\InprocServer32", nullptr, REGISTRY_MODULE_PATH},
    {"CLSID\\{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}", nullptr, "Tavrel Property Page"},
    {"CLSID\\{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}\\InprocServer32", nullptr, REGISTRY_MODULE_PATH},
    {"MerrowControlSurfaces\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", "Description", "Orvane Tavrel"},
    {"MerrowControlSurfaces\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", "HelpFilePath", ""},
};

// A key that unregistration deletes with everything below it. Every row's
// key lies at or below one of them.
struct RegistryOwnedKey {
  const char* key;
  // For a key that both builds share on 64-bit Windows (the host's list is
  // one key for 32-bit and 64-bit programs there): while this key exists in
  // the other registry view, the other build still registers the surface and
  // the shared key stays. nullptr: the key belongs to this build alone.
  const char* keptWhileOtherViewHas;
  // Registration leaves the key as the rows describe it: values no row names
  // go, and so do subkeys that hold no row, unless this is set. The class
  // keys are ours alone and COM reads their subkeys when it creates the class
  // (a stray TreatAs sends it elsewhere); the host's list entry lies in the
  // host's namespace, and its subkeys change nothing about loading.
  bool keepsOtherSubkeys = false;
};

// Deleted in this order; the host's list key "MerrowControlSurfaces" itself
// always stays.
inline constexpr RegistryOwnedKey REGISTRY_OWNED_KEYS[] = {
    {"CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", nullptr},
    {"CLSID\\{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}", nullptr},
    {"MerrowControlSurfaces\\{875363BB-FC50-4350-8E52-FFEF845D52E3}",
     "CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}\\InprocServer32", true},
};
