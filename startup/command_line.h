// The setup's command line: "/help", "-help", "/?", "-?" show the help text;
// "/temp PATH" names the staging folder (stored in gSession.choices.stagingFolder).
#pragma once

// True when help was shown and the program is to end. A null text counts as empty.
bool parseCommandLine(const char* commandLine);
