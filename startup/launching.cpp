// Opening documents and pages with the shell, starting the installed program,
// and asking running copies of the product to close.
#include "startup/launching.h"

#include <shellapi.h>

#include "registration/registry_access.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"

namespace {

constexpr const char* kCloseMessageName = "KVR_CloseImmediately";
constexpr const char* kProgramFileName = "kvr.exe";
constexpr DWORD kCloseRetryInterval = 50;
constexpr WPARAM kCloseAtOnce = 1;

}  // namespace

INT_PTR openWithShell(const char* target) {
    HINSTANCE result = ShellExecuteA(nullptr, "open", target != nullptr ? target : "", nullptr,
                                     nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result);
}

bool launchInstalledProgram(const char* fileName) {
    TextBuffer folder = readSettingText(HKEY_CURRENT_USER, "InstallFolder", "", nullptr);
    folder.trim(kBlankSet);
    if (folder.visibleLength() == 0) {
        return false;
    }
    const TextBuffer path = concat(withTrailingSeparator(folder.text()),
                                   fileName != nullptr ? fileName : kProgramFileName);
    HINSTANCE result = ShellExecuteA(nullptr, "open", path.text(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

int closeRunningCopies(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    const UINT closeMessage = RegisterWindowMessageA(kCloseMessageName);
    if (closeMessage == 0) {
        return -1;
    }
    PostMessageA(HWND_BROADCAST, closeMessage, kCloseAtOnce, 0);
    do {
        HWND copy = FindWindowA(kProductWindowClass, nullptr);
        if (copy == nullptr) {
            return 1;
        }
        PostMessageA(copy, closeMessage, kCloseAtOnce, 0);
        if (timeoutMs == 0) {
            break;
        }
        Sleep(kCloseRetryInterval);
    } while (GetTickCount() - start < timeoutMs);
    return 0;
}
