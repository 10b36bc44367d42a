// Restricting the library search path, and loading from the system folder.
#include "startup/library_search.h"

#include "text/text_buffer.h"
#include "text/text_helpers.h"

namespace {

// From the system's headers of later systems; the setup's own target predates them.
constexpr DWORD kSearchSystemFolderOnly = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryProc = BOOL(WINAPI*)(LPCSTR);

template <typename Proc>
Proc kernelProcedure(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

}  // namespace

void restrictLibrarySearch() {
    if (auto setDefault =
            kernelProcedure<SetDefaultDllDirectoriesProc>("SetDefaultDllDirectories")) {
        setDefault(kSearchSystemFolderOnly);
    }
    if (auto setDirectory = kernelProcedure<SetDllDirectoryProc>("SetDllDirectoryA")) {
        setDirectory("");
    }
}

HMODULE loadSystemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) {
        return nullptr;
    }
    TextBuffer path = withTrailingSeparator(folder);
    path.append(name);
    return LoadLibraryA(path.text());
}
