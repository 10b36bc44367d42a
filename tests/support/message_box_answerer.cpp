#include "tests/support/message_box_answerer.h"

#include <utility>

namespace {

constexpr int kTextControlId = 0xFFFF;
constexpr int kIconControlId = 0x0440;
constexpr DWORD kPollInterval = 10;
constexpr UINT kReplyTimeout = 5000;

struct BoxSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK matchVisibleBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64];
    if (process == search->process && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) > 0 &&
        lstrcmpA(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findVisibleBox() {
    BoxSearch search{GetCurrentProcessId(), nullptr};
    EnumWindows(matchVisibleBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// WM_GETTEXT goes through the box's own thread, so it returns only once that
// thread is in the box's message loop: the box is then placed and shown.
std::string windowText(HWND window) {
    char text[4096] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, kReplyTimeout, &ignored);
    return text;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> buttons)
    : buttons_(std::move(buttons)),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      thread_(CreateThread(nullptr, 0, &MessageBoxAnswerer::watch, this, 0, nullptr)) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    finish();
    CloseHandle(stop_);
}

std::vector<ShownBox> MessageBoxAnswerer::finish() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return shown_;
}

DWORD WINAPI MessageBoxAnswerer::watch(void* self) {
    auto* answerer = static_cast<MessageBoxAnswerer*>(self);
    while (WaitForSingleObject(answerer->stop_, kPollInterval) == WAIT_TIMEOUT) {
        if (HWND box = findVisibleBox()) {
            answerer->answer(box);
        }
    }
    return 0;
}

void MessageBoxAnswerer::answer(HWND box) {
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

    const size_t index = shown_.size() < buttons_.size() ? shown_.size() : buttons_.size() - 1;
    const int button = buttons_[index];
    shown_.push_back(shown);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    // Wait until this box has gone, so that it is not answered twice.
    while (IsWindow(box) && IsWindowVisible(box) &&
           WaitForSingleObject(stop_, kPollInterval) == WAIT_TIMEOUT) {
    }
}

HICON informationIcon() {
    return LoadIconA(nullptr, IDI_INFORMATION);
}

HICON errorIcon() {
    return LoadIconA(nullptr, IDI_ERROR);
}
