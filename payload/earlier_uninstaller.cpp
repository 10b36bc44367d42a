// Stand-in for the uninstaller of release 1.2.2 that the setup runs before installing.
// Removes nothing. So that tests can watch it:
//   KVR_OLD_UNINSTALLER_LOG        file to which it appends one line per run:
//                                  "KVRUninstaller122 ran: <its own path>"
//   KVR_OLD_UNINSTALLER_LINGER_MS  milliseconds it stays running before it ends
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void appendRunLine(const char* logPath) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    char line[MAX_PATH + 64];
    const int length = std::snprintf(line, sizeof line, "KVRUninstaller122 ran: %s\r\n", self);
    if (length < 0 || length >= int(sizeof line)) {
        return;
    }
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(log, line, DWORD(length), &written, nullptr);
    CloseHandle(log);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char value[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("KVR_OLD_UNINSTALLER_LOG", value, sizeof value);
    if (got > 0 && got < sizeof value) {
        appendRunLine(value);
    }
    got = GetEnvironmentVariableA("KVR_OLD_UNINSTALLER_LINGER_MS", value, sizeof value);
    if (got > 0 && got < sizeof value) {
        Sleep(DWORD(std::strtoul(value, nullptr, 10)));
    }
    return 0;
}
