// Stand-in for the uninstaller of release 1.2.2 that the setup runs before installing.
// It does its work in the process that the setup started and then ends, so that the
// setup's wait for that process is a wait for the work: it removes the settings
// value "ver" (HKCU\Software\from Velmora\Kestrova & Scheduler\Settings), which
// records the installed release. It runs as invoker (its manifest), never elevated.
// So that tests can watch it:
//   KVR_OLD_UNINSTALLER_LOG        file to which it appends one line per run:
//                                  "KVRUninstaller122 ran: <its own path>"
//   KVR_OLD_UNINSTALLER_LINGER_MS  milliseconds it stays running before it ends
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kSettingsKey = "Software\\from Velmora\\Kestrova & Scheduler\\Settings";

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

void forgetRecordedRelease() {
    HKEY settings = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &settings) !=
        ERROR_SUCCESS) {
        return;
    }
    RegDeleteValueA(settings, "ver");
    RegCloseKey(settings);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char value[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("KVR_OLD_UNINSTALLER_LOG", value, sizeof value);
    if (got > 0 && got < sizeof value) {
        appendRunLine(value);
    }
    forgetRecordedRelease();
    got = GetEnvironmentVariableA("KVR_OLD_UNINSTALLER_LINGER_MS", value, sizeof value);
    if (got > 0 && got < sizeof value) {
        Sleep(DWORD(std::strtoul(value, nullptr, 10)));
    }
    return 0;
}
