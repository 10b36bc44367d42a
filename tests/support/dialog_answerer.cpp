// Message-box answerer for tests whose code under test opens modal boxes.
#include "tests/support/dialog_answerer.h"

#include <algorithm>

namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMilliseconds = 10;

}  // namespace

DialogAnswerer::DialogAnswerer(int button)
    : button_(button), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_(nullptr) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

std::vector<std::string> DialogAnswerer::texts() {
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = texts_;
    LeaveCriticalSection(&lock_);
    return copy;
}

DWORD WINAPI DialogAnswerer::watch(void* self) {
    auto* answerer = static_cast<DialogAnswerer*>(self);
    while (WaitForSingleObject(answerer->stop_, kPollMilliseconds) == WAIT_TIMEOUT) {
        EnumWindows(answerIfBox, reinterpret_cast<LPARAM>(answerer));
    }
    return 0;
}

BOOL CALLBACK DialogAnswerer::answerIfBox(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        lstrcmpA(className, "#32770") == 0) {
        reinterpret_cast<DialogAnswerer*>(self)->answer(window);
    }
    return TRUE;
}

void DialogAnswerer::answer(HWND box) {
    // A pressed box may still be visible at the next look: record it only once.
    pressed_.erase(std::remove_if(pressed_.begin(), pressed_.end(),
                                  [](HWND window) { return !IsWindow(window); }),
                   pressed_.end());
    if (std::find(pressed_.begin(), pressed_.end(), box) != pressed_.end()) {
        return;
    }
    pressed_.push_back(box);
    char text[1024] = "";
    GetDlgItemTextA(box, kMessageTextId, text, sizeof text);
    EnterCriticalSection(&lock_);
    texts_.push_back(text);
    LeaveCriticalSection(&lock_);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
}
