// Release 1.2.2's removal as the engine tests see it: where its uninstaller is
// written, and one run of the removal with every message box answered.
#pragma once

#include <string>
#include <vector>

#include "tests/support/message_box_answerer.h"

// The uninstaller's file in the user's temporary folder.
std::string earlierUninstallerPath();

struct EarlierRemovalRun {
    bool removed = false;
    int errorNumber = -1;
    std::vector<ShownBox> shown;
    bool uninstallerLeft = false;  // its file exists afterwards
};
EarlierRemovalRun runEarlierRemoval();
