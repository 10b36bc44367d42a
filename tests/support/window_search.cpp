#include "tests/support/window_search.h"

namespace {

constexpr UINT kReplyTimeout = 5000;

bool isDialog(HWND window) {
    char className[16] = "";
    return GetClassNameA(window, className, sizeof className) > 0 &&
           lstrcmpA(className, "#32770") == 0;
}

struct WindowSearch {
    DWORD process;
    bool dialogsOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK collectVisible(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window) &&
        (!search.dialogsOnly || isDialog(window))) {
        search.found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> visibleWindowsOf(DWORD process, bool dialogsOnly) {
    WindowSearch search{process, dialogsOnly, {}};
    EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool isMessageBox(HWND window) {
    return isDialog(window) && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

HWND findMessageBox(HWND except) {
    for (HWND window : visibleWindowsOf(GetCurrentProcessId(), true)) {
        if (window != except && isMessageBox(window)) {
            return window;
        }
    }
    return nullptr;
}

std::string windowText(HWND window) {
    char text[4096] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, kReplyTimeout, &ignored);
    return text;
}
