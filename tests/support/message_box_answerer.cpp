#include "tests/support/message_box_answerer.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kTextControlId = 0xFFFF;
constexpr int kIconControlId = 0x0440;
constexpr DWORD kPollInterval = 10;
constexpr UINT kReplyTimeout = 5000;

// The hook procedure has no context argument: the answerer made last.
MessageBoxAnswerer* gActive = nullptr;

// Sent, not read directly: from the second thread WM_GETTEXT returns only once the
// box's thread is in the box's message loop, so the box is then placed and shown.
std::string windowText(HWND window) {
    char text[4096] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, kReplyTimeout, &ignored);
    return text;
}

bool isMessageBox(HWND window) {
    char className[16] = "";
    return GetClassNameA(window, className, sizeof className) > 0 &&
           lstrcmpA(className, "#32770") == 0 && GetDlgItem(window, kTextControlId) != nullptr;
}

ShownBox describe(HWND box) {
    ShownBox shown;
    shown.text = windowText(GetDlgItem(box, kTextControlId));
    shown.caption = windowText(box);
    shown.owner = GetWindow(box, GW_OWNER);
    GetWindowRect(box, &shown.rect);
    shown.icon =
        reinterpret_cast<HICON>(SendMessageA(GetDlgItem(box, kIconControlId), STM_GETICON, 0, 0));
    shown.hasOk = GetDlgItem(box, IDOK) != nullptr;
    shown.hasYes = GetDlgItem(box, IDYES) != nullptr;
    shown.hasNo = GetDlgItem(box, IDNO) != nullptr;
    shown.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    return shown;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> buttons)
    : buttons_(std::move(buttons)), outer_(gActive) {
    InitializeCriticalSection(&lock_);
    gActive = this;
    hook_ = SetWindowsHookExA(WH_CBT, activation, nullptr, GetCurrentThreadId());
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    UnhookWindowsHookEx(hook_);
    gActive = outer_;
    DeleteCriticalSection(&lock_);
}

std::vector<ShownBox> MessageBoxAnswerer::shown() {
    EnterCriticalSection(&lock_);
    std::vector<ShownBox> copy = shown_;
    LeaveCriticalSection(&lock_);
    return copy;
}

void MessageBoxAnswerer::clear() {
    EnterCriticalSection(&lock_);
    shown_.clear();
    LeaveCriticalSection(&lock_);
}

bool MessageBoxAnswerer::waitForBoxes(size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (shown().size() < count) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(kPollInterval);
    }
    return true;
}

LRESULT CALLBACK MessageBoxAnswerer::activation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && gActive != nullptr) {
        gActive->answer(reinterpret_cast<HWND>(wParam), false);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI MessageBoxAnswerer::watch(void* self) {
    while (WaitForSingleObject(static_cast<MessageBoxAnswerer*>(self)->stop_, kPollInterval) ==
           WAIT_TIMEOUT) {
        EnumWindows(visit, reinterpret_cast<LPARAM>(self));
    }
    return 0;
}

BOOL CALLBACK MessageBoxAnswerer::visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        reinterpret_cast<MessageBoxAnswerer*>(self)->answer(window, true);
    }
    return TRUE;
}

void MessageBoxAnswerer::answer(HWND box, bool mustBeVisible) {
    if (!isMessageBox(box) || (mustBeVisible && !IsWindowVisible(box))) {
        return;
    }
    // Answered boxes stay listed: a box that closes while the hook and the second
    // thread both look at it must not count twice.
    EnterCriticalSection(&lock_);
    bool seen = !IsWindow(box);
    for (HWND done : answered_) {
        seen = seen || done == box;
    }
    if (!seen) {
        answered_.push_back(box);
    }
    const size_t number = answered_.size();
    LeaveCriticalSection(&lock_);
    if (seen) {
        return;
    }
    // Read outside the lock: the box's thread may be the one waiting for it.
    const ShownBox shown = describe(box);
    EnterCriticalSection(&lock_);
    shown_.push_back(shown);
    LeaveCriticalSection(&lock_);
    const int button = buttons_[std::min(number, buttons_.size()) - 1];
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

HICON informationIcon() {
    return LoadIconA(nullptr, IDI_INFORMATION);
}

HICON errorIcon() {
    return LoadIconA(nullptr, IDI_ERROR);
}
