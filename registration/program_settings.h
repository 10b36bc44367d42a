// The settings step of the installation: the product's initial settings.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

// Install step contract: never writes `error` and returns true; sets
// `offerFeedback` when a registry write failed.
bool writeProgramSettings(HWND page, TextBuffer& error, bool& offerFeedback);
