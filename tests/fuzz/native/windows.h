// The two names of the system's header that the uninstaller's switch grammar uses,
// for its native fuzz build: a handle is an opaque pointer-sized value.
#pragma once

#include <cstdint>

typedef void* HANDLE;
typedef uintptr_t ULONG_PTR;
