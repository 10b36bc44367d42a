#include "tests/support/message_box_answerer.h"

#include <algorithm>
#include <utility>

#include "tests/support/polling.h"
#include "tests/support/window_search.h"

namespace {

constexpr int kIconControlId = 0x0440;
constexpr DWORD kPollInterval = 10;

// The hook procedure has no context argument: the answerer made last.
MessageBoxAnswerer* gActive = nullptr;

ShownBox describe(HWND box) {
    ShownBox shown;
    shown.text = windowText(GetDlgItem(box, kMessageBoxTextId));
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
    records_.clear();
    LeaveCriticalSection(&lock_);
}

void MessageBoxAnswerer::callWhileOpen(std::function<void()> code) {
    whileOpen_ = std::move(code);
    callsWhileOpen_ = true;
}

bool MessageBoxAnswerer::waitForBoxes(size_t count, DWORD timeoutMs) {
    return waitUntil([&] { return shown().size() >= count; }, timeoutMs, kPollInterval);
}

LRESULT CALLBACK MessageBoxAnswerer::activation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && gActive != nullptr) {
        gActive->answer(reinterpret_cast<HWND>(wParam), false);
    }
    // A box gives the focus to its default button, when it is created or when it
    // is activated; its style is not yet set when the box is activated.
    if (code == HCBT_SETFOCUS && gActive != nullptr && wParam != 0) {
        gActive->noteFocus(reinterpret_cast<HWND>(wParam));
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
    MessageBoxAnswerer* answerer = reinterpret_cast<MessageBoxAnswerer*>(self);
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    // Boxes that must run the test's code are left to the hook on their own thread.
    const bool leftToTheHook =
        thread == answerer->threadId_ && answerer->callsWhileOpen_ && answerer->callDepth_ == 0;
    if (process == GetCurrentProcessId() && !leftToTheHook) {
        answerer->answer(window, true);
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
    ShownBox shown = describe(box);
    EnterCriticalSection(&lock_);
    for (const auto& [window, id] : firstFocus_) {
        if (window == box) {
            shown.defaultButton = id;
        }
    }
    records_.emplace_back(box, shown_.size());
    shown_.push_back(shown);
    LeaveCriticalSection(&lock_);
    if (callsWhileOpen_ && GetWindowThreadProcessId(box, nullptr) == GetCurrentThreadId()) {
        ++callDepth_;
        whileOpen_();
        --callDepth_;
    }
    const int button = buttons_[std::min(number, buttons_.size()) - 1];
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

void MessageBoxAnswerer::noteFocus(HWND control) {
    HWND box = GetParent(control);
    if (box == nullptr || !isMessageBox(box)) {
        return;
    }
    const int id = GetDlgCtrlID(control);
    EnterCriticalSection(&lock_);
    bool known = false;
    for (const auto& [window, first] : firstFocus_) {
        known = known || window == box;
    }
    if (!known) {
        firstFocus_.emplace_back(box, id);
        for (const auto& [window, index] : records_) {
            if (window == box && index < shown_.size()) {
                shown_[index].defaultButton = id;
            }
        }
    }
    LeaveCriticalSection(&lock_);
}

HICON informationIcon() {
    return LoadIconA(nullptr, IDI_INFORMATION);
}

HICON errorIcon() {
    return LoadIconA(nullptr, IDI_ERROR);
}
