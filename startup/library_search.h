// Where the setup loads libraries from. A setup is often started from a downloads
// folder, which may hold a library planted under a system library's name; the
// system would otherwise look there first.
//
// restrictLibrarySearch: every later load, including those that system libraries
// make on the setup's behalf, searches the system folder only where the system
// offers that (SetDefaultDllDirectories), and never the current folder
// (SetDllDirectoryA("")). Both are looked up at run time, so that the setup still
// starts on a system that lacks them; there it does nothing more.
//
// loadSystemLibrary: loads `name` from the system folder by its full path; null
// when the folder cannot be read or the library cannot be loaded.
#pragma once

#include <windows.h>

void restrictLibrarySearch();
HMODULE loadSystemLibrary(const char* name);
