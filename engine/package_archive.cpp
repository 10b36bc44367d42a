// Finding a package archive among the program's resources.
#include "engine/package_archive.h"

#include <windows.h>

const uint8_t* loadPackageResource(int resourceId, uint32_t* length) {
    *length = 0;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
    if (resource == nullptr) {
        return nullptr;
    }
    // A loaded resource stays mapped with the module: nothing to release.
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (loaded == nullptr) {
        return nullptr;
    }
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) {
        return nullptr;
    }
    *length = SizeofResource(nullptr, resource);
    return static_cast<const uint8_t*>(bytes);
}
