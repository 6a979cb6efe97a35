// Registry names that belong to the host and the product's installer. The
// plug-in, the dialog program and the uninstall hook all use these.
#pragma once

// Under HKEY_CLASSES_ROOT: the host's list of installed control surfaces,
// one subkey per surface CLSID.
inline constexpr char HOST_SURFACES_KEY[] = "MerrowControlSurfaces";

// Under HKEY_LOCAL_MACHINE: where the installer keeps the folder of shared
// surfaces (the plug-in lives in its subfolder "Tavrel").
inline constexpr char SHARED_SURFACES_KEY[] = "SOFTWARE\\Merrow Music Software\\Shared Surfaces\\";
inline constexpr char SHARED_SURFACES_DIR_VALUE[] = "InstallDirectory";

// The plug-in's file name, as the registration tool is given it.
inline constexpr char PLUGIN_FILE_NAME[] = "Tavrel.dll";
