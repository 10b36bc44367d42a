#include "message_box_watcher.h"

namespace {
constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 20;
// The hook procedure has no context argument: the watcher of the hooked thread.
MessageBoxWatcher* gHookOwner = nullptr;
}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int answer)
    : answer_(answer), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    InitializeCriticalSection(&lock_);
    gHookOwner = this;
    hook_ = SetWindowsHookExA(WH_CBT, activation, nullptr, GetCurrentThreadId());
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    UnhookWindowsHookEx(hook_);
    gHookOwner = nullptr;
    DeleteCriticalSection(&lock_);
}

std::vector<std::string> MessageBoxWatcher::texts() {
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = texts_;
    LeaveCriticalSection(&lock_);
    return copy;
}

void MessageBoxWatcher::clear() {
    EnterCriticalSection(&lock_);
    texts_.clear();
    LeaveCriticalSection(&lock_);
}

LRESULT CALLBACK MessageBoxWatcher::activation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && gHookOwner != nullptr) {
        gHookOwner->answer(reinterpret_cast<HWND>(wParam), false);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI MessageBoxWatcher::watch(void* self) {
    auto* watcher = static_cast<MessageBoxWatcher*>(self);
    while (WaitForSingleObject(watcher->stop_, kPollMs) == WAIT_TIMEOUT) {
        EnumWindows(visit, reinterpret_cast<LPARAM>(watcher));
    }
    return 0;
}

BOOL CALLBACK MessageBoxWatcher::visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        reinterpret_cast<MessageBoxWatcher*>(self)->answer(window, true);
    }
    return TRUE;
}

void MessageBoxWatcher::answer(HWND window, bool mustBeVisible) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    HWND text = GetDlgItem(window, kMessageTextId);
    if (lstrcmpA(className, "#32770") != 0 || text == nullptr ||
        (mustBeVisible && !IsWindowVisible(window))) {
        return;
    }
    char buffer[4096] = {};
    GetWindowTextA(text, buffer, sizeof buffer);
    // Answered windows stay listed: a box that closes while the other path looks
    // at it must not count twice.
    EnterCriticalSection(&lock_);
    bool seen = !IsWindow(window);
    for (HWND done : answered_) {
        seen = seen || done == window;
    }
    if (!seen) {
        answered_.push_back(window);
        texts_.push_back(buffer);
    }
    LeaveCriticalSection(&lock_);
    if (!seen) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, answer_)));
    }
}
