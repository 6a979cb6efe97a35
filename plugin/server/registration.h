// Registration of the two classes and of the surface in the host's list: two
// walks over the tables of registry_rows.h, under a root (HKEY_CLASSES_ROOT
// for the exports, a scratch key in tests).
#pragma once

#include "registry_calls.h"
#include "registry_rows.h"

// Creates or opens root\key and sets its value `valueName` (the default
// value when null) to `text`. True on success.
bool SetKeyAndValue(RegistryCalls& registry, HKEY root, const char* key, const char* valueName, const char* text);

// Deletes root\name and everything below it, depth first, in the registry
// view `view` names (0: this module's own). True when the key is gone (or was
// never there). Refuses an empty name or one with an empty component (such
// as "CLSID\"), and gives up on the first subkey that cannot be deleted
// instead of finding it again forever.
bool DeleteKeyTree(RegistryCalls& registry, HKEY root, const char* name, REGSAM view = 0);

// Writes every row of REGISTRY_ROWS, then leaves each owned key as the rows
// describe it: values that no row names are deleted, and subkeys that hold
// no row too, unless the key keeps them (RegistryOwnedKey). A class is
// written whole or not at all: when the module path cannot be had, no row of
// a key that would register it is written, nor is that key tidied. Every
// other step still runs; S_OK when all succeeded, else SELFREG_E_CLASS.
HRESULT RegisterServer(RegistryCalls& registry, HKEY root);

// Deletes every key of REGISTRY_OWNED_KEYS with all below it. A key that both
// builds share stays while the other registry view still registers the
// surface; otherwise it goes from both views. Keys already absent count as
// removed; S_OK or SELFREG_E_CLASS.
HRESULT UnregisterServer(RegistryCalls& registry, HKEY root);
