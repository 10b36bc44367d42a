// The uninstaller's command line: /silent, /purge and /log=FILE, matched without
// regard to case, split at blanks outside double quotes (the quotes removed), and
// the /copyof=PARENT,PIPE switch with which the first process starts its
// temporary copy (two inherited handle values, in decimal). An unknown switch, one
// given twice, a /log= without a value or with one too long for `log`, or an
// unclosed quote refuses the line; the switches read before and after the
// refused one still count.
#pragma once

#include <windows.h>

#include "startup/install_switches.h"

struct UninstallSwitches {
    bool silent = false;
    bool purge = false;
    bool hasLog = false;
    bool hasCopyOf = false;
    char log[kSwitchValueSize] = "";
    HANDLE parent = nullptr;
    HANDLE reportPipe = nullptr;
};

// False when the line (null counts as empty) holds something else.
bool parseUninstallSwitches(const char* line, UninstallSwitches* switches);
