// Registration of the two classes and of the surface in the host's list.
//
// Under the root (HKEY_CLASSES_ROOT for the exports):
//   CLSID\{surface}                       (default) "Orvane Tavrel"
//   CLSID\{surface}\InprocServer32        (default) full path of the plug-in
//   CLSID\{page}                          (default) "Tavrel Property Page"
//   CLSID\{page}\InprocServer32           (default) full path of the plug-in
//   <host surfaces key>\{surface}         "Description" "Orvane Tavrel", "HelpFilePath" ""
#pragma once

#include "registry_calls.h"

inline constexpr char SURFACE_DESCRIPTION[] = "Orvane Tavrel";
inline constexpr char PAGE_DESCRIPTION[] = "Tavrel Property Page";

// The braced text form of `clsid`; false (and an empty text) on failure.
bool ClsidToAnsi(REFCLSID clsid, char (&text)[CLSID_TEXT_SIZE]);

// Creates or opens root\key[\subkey] and, when `text` is given, sets the
// value `valueName` (the default value when null) to it. True on success.
bool SetKeyAndValue(RegistryCalls& registry, HKEY root, const char* key, const char* subkey, const char* valueName,
                    const char* text);

// CLSID\{clsid} with its description and InprocServer32 with the module
// path. Nothing is written for a class whose text or path cannot be had.
bool RegisterClsid(RegistryCalls& registry, HKEY root, REFCLSID clsid, const char* description);

// Deletes root\name and everything below it, depth first. True when the key
// is gone (or was never there). Refuses an empty name or one with an empty
// component (such as "CLSID\"), and gives up on the first subkey that cannot
// be deleted instead of finding it again forever.
bool DeleteKeyTree(RegistryCalls& registry, HKEY root, const char* name);

bool UnregisterClsid(RegistryCalls& registry, HKEY root, REFCLSID clsid);

// Every step runs; S_OK when all succeeded, else SELFREG_E_CLASS.
HRESULT RegisterServer(RegistryCalls& registry, HKEY root);
// Keys already absent count as removed; S_OK or SELFREG_E_CLASS.
HRESULT UnregisterServer(RegistryCalls& registry, HKEY root);
