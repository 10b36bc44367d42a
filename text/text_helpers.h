// Path endings and concatenation over TextBuffer (the member text operations are
// declared with the buffer itself and implemented in text_helpers.cpp).
//
// Each function returns a new buffer; a null argument gives the empty text. The
// separator appended is always a backslash; a slash is accepted as one on input.
#pragma once

#include "text/text_buffer.h"

// Trimmed of blanks; a backslash appended unless empty or already ending in \ or /.
TextBuffer withTrailingSeparator(const char* path);
// Trimmed of blanks; one trailing \ or / removed if present.
TextBuffer withoutTrailingSeparator(const char* path);
TextBuffer concat(const TextBuffer& first, const TextBuffer& second);
// The first backslash or slash at or after `text` that is a character of its own,
// never the second byte of a double-byte character; null if none (or text is null).
const char* findPathSeparator(const char* text);
// The start of the character after the one at `text` (a double-byte character is
// stepped over whole); `text` itself at the terminator.
const char* nextCharacter(const char* text);
TextBuffer concat(const TextBuffer& first, const char* second);
