// Pictures of the setup's windows as the screen shows them, for people to look
// at (the pages' layout at 96 and 144 DPI).
#pragma once

#include <windows.h>

#include <string>

// Makes this process see every window in physical pixels, whatever DPI the
// other process runs at. Call once before any window is measured.
void usePhysicalPixels();
// Writes the window's screen rectangle as a 24-bit BMP file. False when the
// rectangle or the file cannot be had.
bool captureWindow(HWND window, const std::string& bmpPath);
