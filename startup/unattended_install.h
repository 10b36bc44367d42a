// The unattended installation (/silent): the wizard's decisions without its
// window. Each page's proposal is taken unless a switch overrides it, each folder
// passes the page's own validation, and the install engine runs every step at
// once. Messages and the answers to questions (always the safe one: No) go to the
// install log, through showMessage.
#pragma once

#include "startup/install_switches.h"

// Runs after the start-up checks, with COM initialised. Returns the exit code
// (exit_codes.h): installed; a refused folder or Start Menu name; an earlier
// release or running copies that stay; a failed, undone installation (a full disk
// told apart); a broken package.
int runUnattendedInstallation(const InstallSwitches& switches);
