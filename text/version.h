// Dotted version texts, compared component by component as numbers.
//
// Versions stay TextBuffer texts. Neither function fails beyond the TextBuffer
// errors of its allocations.
#pragma once

#include "text/text_buffer.h"

// Cuts the text before the first '(', '-', '[' or letter, then keeps only the
// digits and dots of what remains: "1.2.7 (beta)" becomes "1.2.7", "1, 2, 7" "127".
void normalizeVersion(TextBuffer& version);

// Compares `a` with `b` (null counts as empty): 1 when b is newer, -1 when a is
// newer, 0 when equal. Components are split on ".,- /\" and compared as numbers
// from their leading digits; when the shared ones are equal, more components win.
int compareVersion(const TextBuffer& a, const char* b);
