// Every registry value the plug-in writes when it registers, one row each:
// the one table that registration, unregistration, the installers' checks
// and the tests read. Portable: no Windows headers.
#pragma once

struct RegistryRow {
  const char* key;        // relative to HKEY_CLASSES_ROOT
  const char* valueName;  // nullptr = the key's default value
  const char* value;      // REGISTRY_MODULE_PATH = the DLL's full path
};

inline constexpr const char REGISTRY_MODULE_PATH[] = "%MODULE%";

inline constexpr RegistryRow REGISTRY_ROWS[] = {
    {"CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", nullptr, "Orvane Tavrel"},
    {"CLSID\\{875363BB-FC50-4350-8E52-FFEF845D52E3}\\InprocServer32", nullptr, REGISTRY_MODULE_PATH},
    {"CLSID\\{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}", nullptr, "Tavrel Property Page"},
    {"CLSID\\{8EC4F4AC-47A7-49A6-B30D-56EC2D971735}\\InprocServer32", nullptr, REGISTRY_MODULE_PATH},
    {"MerrowControlSurfaces\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", "Description", "Orvane Tavrel"},
    {"MerrowControlSurfaces\\{875363BB-FC50-4350-8E52-FFEF845D52E3}", "HelpFilePath", ""},
};
