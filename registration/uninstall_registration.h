// The product's uninstall entry.
#pragma once

#include <windows.h>

// Writes the uninstall entry below `root`: 1 if every value it tried to write was
// written, else 0.
int registerUninstaller(HKEY root);
