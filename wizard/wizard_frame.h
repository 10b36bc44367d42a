// The wizard: nine property-sheet pages in one modal sheet, and the rules that
// every page follows.
//
// runWizard runs the sheet modally; when it cannot be created in the Wizard97
// style it retries in the plain wizard style, and when that fails too it offers
// the feedback page. It returns 0 whatever happened. gSession.sheetWindow holds
// the wizard window from its creation until runWizard returns, and is null
// otherwise.
#pragma once

#include <windows.h>

int runWizard();

// Asks whether to leave the wizard (owner: the page). 1: confirmed, and the chosen
// folders have been removed where they are empty; 0: stay, with the page's dialog
// result set so that the sheet keeps running.
int confirmCancel(HWND page);

// Page protocol helpers for the dialog procedures of the pages.
// PSM_SETWIZBUTTONS to the wizard window.
void setWizardButtons(DWORD buttons);
// Shows or removes the elevation shield on the wizard's Next button (BCM_SETSHIELD,
// which Windows XP's buttons ignore).
void showNextShield(bool shown);
// Keeps the wizard on the page after PSN_WIZNEXT: dialog result -1, TRUE.
INT_PTR stayOnPage(HWND page);
// The PSN_QUERYCANCEL answer of pages 1 to 7: TRUE (stay) unless confirmed.
INT_PTR queryCancel(HWND page);
// Sets the page's dialog result and returns TRUE.
INT_PTR pageResult(HWND page, LONG_PTR result);
