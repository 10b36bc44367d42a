// The mutex that lets one setup or uninstaller run at a time, held while the
// InstanceMutex lives.
//
// anotherInstanceRuns: the single-instance decision after CreateMutexA: another
// copy runs when the mutex existed already, or when it exists but this user may
// not open it (access denied: a copy started with other rights).
#pragma once

#include <windows.h>

#include "text/scoped_handles.h"

bool anotherInstanceRuns(HANDLE mutex, DWORD lastError);

class InstanceMutex {
public:
    InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // False when the mutex could not be created or opened at all.
    bool held() const { return handle_.valid(); }
    bool anotherRuns() const { return anotherRuns_; }

private:
    ScopedHandle handle_;
    bool anotherRuns_ = false;
};
