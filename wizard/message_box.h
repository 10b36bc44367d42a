// Every message box of the setup, centred over its owner, and the wait cursor.
//
// showMessage: owner null means gSession.sheetWindow (itself possibly null: no
// owner); caption null means kSetupCaption. A thread-local CBT hook centres the
// box over its owner once and is removed again; at most one hook exists at a time
// and none survives the call. Returns the button id (IDOK, IDYES, IDNO, IDCANCEL).
// Every message also goes to the install log. In an unattended run no box is
// shown: the message is logged and unattendedAnswer(style) is the answer.
#pragma once

#include <windows.h>

#include "resources/product_release.h"

inline constexpr const char* kSetupCaption = "Kestrova " KVR_RELEASE " - Setup";

// The answer of an unattended run: OK to a notice, No (the safe answer: nothing
// is started, skipped or reset) to every question.
int unattendedAnswer(UINT style);

int showMessage(const char* text, UINT style, HWND owner = nullptr, const char* caption = nullptr);

// Centres `window` (null: the wizard) over `reference`, or over the work area when
// there is none (or over 0,0-800,640 when the work area cannot be read). Returns 0
// without moving anything when the window's own rectangle cannot be read.
BOOL centreWindow(HWND window, HWND reference);

// Shows the hourglass for the lifetime of the object and then puts the previous
// cursor back.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};
