// XOR unscrambling with a fixed or a rolling key.
#include "text/scramble.h"

TextBuffer unscrambleWithKey(const char* text, uint8_t key) {
    TextBuffer plain;
    int n = lstrlenA(text);
    for (int i = 0; i < n; ++i) {
        plain.appendChar(static_cast<char>(text[i] ^ key));
    }
    return plain;
}

TextBuffer unscrambleRolling(const char* text) {
    TextBuffer plain;
    int n = lstrlenA(text);
    int8_t key = kRollingKeyStart;
    for (int i = 0; i < n; ++i) {
        plain.appendChar(static_cast<char>(text[i] ^ key));
        int8_t next = static_cast<int8_t>(key + 1);
        key = next < kRollingKeyBound ? next : kRollingKeyRestart;
    }
    return plain;
}
