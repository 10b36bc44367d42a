// Turning stored scrambled texts back into plain text (byte-wise XOR).
//
// XOR is its own inverse, so each routine also scrambles plain text into the form
// it reads. Both return the empty text for a null or empty input; the input's
// length is its lstrlenA length, so scrambled texts never hold a zero byte.
#pragma once

#include "text/text_buffer.h"

#include <cstdint>

// The rolling key starts at kRollingKeyStart and rises by one per byte; at
// kRollingKeyBound it restarts at kRollingKeyRestart. All keys lie below 0x20,
// so no printable character, tab or line end ever scrambles to a zero byte.
inline constexpr int8_t kRollingKeyStart = 0x11;
inline constexpr int8_t kRollingKeyBound = 0x20;
inline constexpr int8_t kRollingKeyRestart = 0x0E;

// Every byte XOR key.
TextBuffer unscrambleWithKey(const char* text, uint8_t key);
// Every byte XOR the rolling key, which begins afresh at each call.
TextBuffer unscrambleRolling(const char* text);
