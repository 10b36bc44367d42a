// The switches of an unattended or logged run. A command line that begins with
// "/silent" (followed by a blank or its end) or "/log=" is such a line; every
// other line keeps the help and "/temp" forms of command_line.h.
//
// The line is split at blanks outside double quotes; the quotes are removed.
// Switches are matched without regard to case: /silent, /log=FILE, /dir=PATH,
// /group=NAME, /datadir=PATH, /tasks=LIST (comma-separated "desktop" and
// "quicklaunch", or empty), /temp=PATH. An unknown switch, one given twice, a
// value missing, empty, too long, holding a control character or an unclosed
// quote refuses the whole line with a one-line reason.
//
// Plain C++ over bytes, without the system's headers, so that the fuzzer builds it.
#pragma once

#include <cstddef>

inline constexpr size_t kSwitchValueSize = 260;  // a value's room, with its NUL
inline constexpr size_t kSwitchReasonSize = 400;

struct InstallSwitches {
    bool silent = false;
    bool hasLog = false, hasDir = false, hasGroup = false, hasDataDir = false;
    bool hasTasks = false, hasTemp = false;
    bool desktopIcon = false, quickLaunchIcon = false;  // with hasTasks
    char log[kSwitchValueSize] = "";
    char dir[kSwitchValueSize] = "";
    char group[kSwitchValueSize] = "";
    char dataDir[kSwitchValueSize] = "";
    char temp[kSwitchValueSize] = "";
};

// True when the line (null counts as empty) is one of these switch lines.
bool isSwitchLine(const char* line);

// Fills `switches` and returns true, or returns false with the first refusal's
// reason in `reason` (always terminated). A refused line still has the switches
// before and after the refused one in `switches` (up to an unclosed quote or an
// over-long switch, which end the reading), so that its /silent and /log apply.
bool parseInstallSwitches(const char* line, InstallSwitches* switches,
                          char (&reason)[kSwitchReasonSize]);
