// The tasks page's decision, apart from its window: whether a Quick Launch
// shortcut can be offered.
#pragma once

#include <windows.h>

// True when the user's application-data folder is known and the system is older
// than 6.1 (5.x and 6.0 offer it; 6.1 and later no longer have Quick Launch).
// `version` null means that the version could not be read: the folder decides.
bool quickLaunchOffered(bool appDataFolderFound, const OSVERSIONINFOA* version);
// quickLaunchOffered on this system. Neither icon is chosen until the user checks it.
bool quickLaunchOfferedHere();
