// Message boxes centred over their owner, the centring routine, and the wait cursor.
#include "wizard/message_box.h"

#include "startup/install_log.h"
#include "startup/setup_session.h"

namespace {

constexpr RECT kFallbackArea = {0, 0, 800, 640};

void removeMessageBoxHook() {
    if (gSession.messageBoxHook != nullptr) {
        UnhookWindowsHookEx(gSession.messageBoxHook);
        gSession.messageBoxHook = nullptr;
    }
}

bool isDialogWindow(HWND window) {
    char className[MAX_PATH];
    if (GetClassNameA(window, className, sizeof className) == 0) {
        return false;
    }
    return lstrcmpiA(className, "#32770") == 0;
}

// The box is centred when it is activated: by then the system has placed it, so
// our position is the one that stays. Only this thread's boxes reach the hook.
LRESULT CALLBACK messageBoxHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        HWND owner = GetParent(box);
        if (owner != nullptr && isDialogWindow(box)) {
            centreWindow(box, owner);
            removeMessageBoxHook();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int unattendedAnswer(UINT style) {
    return (style & MB_TYPEMASK) == MB_OK ? IDOK : IDNO;
}

int showMessage(const char* text, UINT style, HWND owner, const char* caption) {
    if (gSession.unattended) {
        const int answer = unattendedAnswer(style);
        logEvent("Message (answered %s): %s", answer == IDOK ? "OK" : "No", text);
        return answer;
    }
    logEvent("Message: %s", text);
    if (owner == nullptr) {
        owner = gSession.sheetWindow;
    }
    if (gSession.messageBoxHook == nullptr) {
        gSession.messageBoxHook =
            SetWindowsHookExA(WH_CBT, messageBoxHookProc, nullptr, GetCurrentThreadId());
    }
    const int button =
        MessageBoxA(owner, text, caption != nullptr ? caption : kSetupCaption, style);
    removeMessageBoxHook();
    return button;
}

BOOL centreWindow(HWND window, HWND reference) {
    if (window == nullptr) {
        window = gSession.sheetWindow;
    }
    RECT area;
    if (reference == nullptr || !GetWindowRect(reference, &area)) {
        if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
            area = kFallbackArea;
        }
    }
    RECT own;
    if (!GetWindowRect(window, &own)) {
        return FALSE;
    }
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    // Signed division truncating toward zero: a window larger than the area
    // starts left of or above the area's edge.
    const int left = area.left + ((area.right - area.left) - width) / 2;
    const int top = area.top + ((area.bottom - area.top) - height) / 2;
    return MoveWindow(window, left, top, width, height, TRUE);
}

WaitCursor::WaitCursor() : previous_(GetCursor()) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

WaitCursor::~WaitCursor() {
    SetCursor(previous_);
}
