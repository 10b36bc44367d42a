// The install step driver: one step per tick of the installing page's timer.
//
// Steps, n = package files: 0 preparation; 1..n+1 file k = step - 1; n+2 data
// folder and shortcuts, which first marks the undo journal's point of no return
// (a process that dies after it is not undone at the next start), and withdraws
// the mark again when it fails, since its files are then undone; n+3 program
// settings; n+4 finishInstallation. After each step the progress bar shows
// step * 256 / (n + 5). The first failing step stops the timer, shows its
// message, undoes the installation, cleans up and sends the wizard back to the
// ready page. A step may ask for the feedback page, which opens after the tick.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

// The handler of timer kInstallTimerId. Does nothing while a step runs (a message
// box lets ticks in) or once the installation has failed or completed.
void runInstallStep(HWND page);

enum class InstallOutcome { installed, failed, diskFull, brokenPackage };

// The whole installation without a window, every step at once in the same order
// (an unattended run). The first failing step's message goes through showMessage,
// then the installation is undone and the staging folder cleaned up as after a
// failed step of the wizard. diskFull: the failing write reported a full disk;
// brokenPackage: the preparation found the package broken.
InstallOutcome installWithoutWindow();

// The final step: file associations, uninstall registration, clean-up, and a
// posted move to the finish page. Always true.
bool finishInstallation(HWND page, TextBuffer& error, bool& offerFeedback);
