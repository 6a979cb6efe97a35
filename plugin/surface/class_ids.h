// The two classes the plug-in serves. These values are fixed for good: hosts
// store the surface CLSID in their projects and in their list of surfaces.
#pragma once

#include "win_compat.h"

// {875363BB-FC50-4350-8E52-FFEF845D52E3}
inline constexpr CLSID CLSID_Tavrel = {0x875363BB, 0xFC50, 0x4350, {0x8E, 0x52, 0xFF, 0xEF, 0x84, 0x5D, 0x52, 0xE3}};

// {8EC4F4AC-47A7-49A6-B30D-56EC2D971735}
inline constexpr CLSID CLSID_TavrelPropPage = {
    0x8EC4F4AC, 0x47A7, 0x49A6, {0xB3, 0x0D, 0x56, 0xEC, 0x2D, 0x97, 0x17, 0x35}};
