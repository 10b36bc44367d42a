#include "startup/instance_mutex.h"

#include "startup/launching.h"

bool anotherInstanceRuns(HANDLE mutex, DWORD lastError) {
    if (mutex == nullptr) {
        return lastError == ERROR_ACCESS_DENIED;
    }
    return lastError == ERROR_ALREADY_EXISTS;
}

InstanceMutex::InstanceMutex() : handle_(CreateMutexA(nullptr, FALSE, kSetupMutexName)) {
    anotherRuns_ = anotherInstanceRuns(handle_.get(), GetLastError());
}
