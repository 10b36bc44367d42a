// The package archives that travel as raw-data resources of the setup's own module:
// 135 holds every file the installation writes, 139 the uninstaller of release 1.2.2.
// Open the bytes with openPackage (package_format.h).
#pragma once

#include <cstdint>

#include "engine/package_format.h"

constexpr int kMainPackageResource = 135;
constexpr int kEarlierUninstallerResource = 139;

// Returns the bytes of RT_RCDATA resource `resourceId` of the program's module and
// stores their count in *length. The bytes belong to the module: never free or
// write them. A missing or unloadable resource gives nullptr and *length 0.
const uint8_t* loadPackageResource(int resourceId, uint32_t* length);
