// Finding the top-level windows and message boxes that the code under test (or
// a program it starts) shows, and reading their texts across threads.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The static text control of a message box.
inline constexpr int kMessageBoxTextId = 0xFFFF;

// The visible top-level windows of `process`, in z-order; with `dialogsOnly`,
// only those of the dialog class "#32770".
std::vector<HWND> visibleWindowsOf(DWORD process, bool dialogsOnly = false);
// A message box: a "#32770" window with the text control kMessageBoxTextId.
bool isMessageBox(HWND window);
// A visible message box of this process other than `except`, or null.
HWND findMessageBox(HWND except = nullptr);
// The window's text by a sent WM_GETTEXT that gives up after 5 s: from another
// thread it returns only once the window's thread serves its messages.
std::string windowText(HWND window);
