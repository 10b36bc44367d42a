// Waiting for a condition that another thread or process brings about.
#pragma once

#include <windows.h>

// Asks `condition` every `pollMs` until it holds or `timeoutMs` has passed; true
// when it held.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs, DWORD pollMs = 10) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(pollMs);
    }
    return true;
}
