// The release this setup installs and the maker's details, named once for the
// code and for the resource script: windres runs the C preprocessor but knows no
// C++, so these are macros, and texts are composed from them by adjacent string
// literals (which windres joins in VERSIONINFO values as the compiler does).
// resources/CMakeLists.txt reads KVR_RELEASE from here for the manifest (and checks
// that KVR_RELEASE_NUMBERS says the same), and
// tools/winget-manifest.py for the package manager's manifest: keep each on one
// line as a plain literal.
#pragma once

#define KVR_RELEASE "1.2.7.1"
#define KVR_RELEASE_NUMBERS 1, 2, 7, 1
#define KVR_MAKER_NAME "Velmora Software"
// The maker's mail domain, also the publisher of the uninstall entry.
#define KVR_MAKER_DOMAIN "velmora-software.example"
