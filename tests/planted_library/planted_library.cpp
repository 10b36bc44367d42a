// A library that leaves a mark when a process loads it, and then refuses the load:
// placed beside the setup under a system library's name, it shows whether the
// setup's library search reaches the setup's own folder. The mark is
// "<its own path>.ran".
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    char mark[MAX_PATH + 8] = "";
    const DWORD length = GetModuleFileNameA(self, mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatA(mark, ".ran");
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return FALSE;
}
