#include "tests/support/wizard_driver.h"

#include <windows.h>

#include <commctrl.h>

#include "startup/setup_session.h"
#include "wizard/wizard_frame.h"

namespace {

constexpr DWORD kPoll = 10;
constexpr UINT kReplyTimeout = 5000;

LRESULT sendToWizard(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kReplyTimeout,
                             &result)) {
        return 0;
    }
    return static_cast<LRESULT>(result);
}

struct ScriptRun {
    const std::function<void(WizardDriver&)>* script;
    WizardDriver* driver;
};

DWORD WINAPI runScript(void* context) {
    const ScriptRun& run = *static_cast<ScriptRun*>(context);
    (*run.script)(*run.driver);
    return 0;
}

// The script's end is watched from a third thread: when the wizard is still open
// two seconds later, a WM_QUIT ends the sheet's modal loop.
struct ScriptWatch {
    HANDLE script;
    HANDLE wizardEnded;
    DWORD wizardThread;
    LONG forced;
};

DWORD WINAPI watchScript(void* context) {
    ScriptWatch& watch = *static_cast<ScriptWatch*>(context);
    WaitForSingleObject(watch.script, INFINITE);
    if (WaitForSingleObject(watch.wizardEnded, 2000) == WAIT_TIMEOUT) {
        InterlockedExchange(&watch.forced, 1);
        PostThreadMessageA(watch.wizardThread, WM_QUIT, 0, 0);
    }
    return 0;
}

template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPoll);
    }
    return true;
}

}  // namespace

bool WizardDriver::run(const std::function<void(WizardDriver&)>& script) {
    WizardDriver driver;
    ScriptRun context{&script, &driver};
    HANDLE thread = CreateThread(nullptr, 0, runScript, &context, 0, nullptr);
    ScriptWatch watch{thread, CreateEventA(nullptr, TRUE, FALSE, nullptr), GetCurrentThreadId(), 0};
    HANDLE watcher = CreateThread(nullptr, 0, watchScript, &watch, 0, nullptr);
    runWizard();
    SetEvent(watch.wizardEnded);
    WaitForSingleObject(thread, INFINITE);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(watch.wizardEnded);
    CloseHandle(thread);
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return watch.forced == 0;
}

bool WizardDriver::waitForPage(int dialogId, DWORD timeoutMs) {
    return waitUntil([&] { return pageId() == dialogId; }, timeoutMs);
}

bool WizardDriver::walkTo(int dialogId) {
    constexpr int kLicencePage = 107;
    constexpr int kAcceptButton = 1001;
    for (int current = pageId(); current != dialogId; current = pageId()) {
        if (current == 0 || current > dialogId)
            return false;
        if (current == kLicencePage) {
            click(kAcceptButton);
            waitUntil([&] { return isChecked(kAcceptButton); }, 5000);
        }
        press(PSBTN_NEXT);
        if (!waitUntil([&] { return pageId() != current; }, 10000))
            return false;
    }
    return true;
}

bool WizardDriver::waitForClose(DWORD timeoutMs) {
    if (attached_) {
        return waitUntil([&] { return IsWindow(sheet_) == FALSE; }, timeoutMs);
    }
    return waitUntil([&] { return gSession.sheetWindow == nullptr; }, timeoutMs);
}

HWND WizardDriver::sheetWindow() {
    if (!attached_) {
        sheet_ = gSession.sheetWindow;
    }
    return sheet_;
}

int WizardDriver::pageId() {
    if (sheetWindow() == nullptr)
        return 0;
    HWND current = reinterpret_cast<HWND>(sendToWizard(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (current == nullptr)
        return 0;
    const LRESULT index =
        sendToWizard(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(current), 0);
    if (index < 0)
        return 0;
    return static_cast<int>(sendToWizard(sheet_, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

HWND WizardDriver::page() {
    if (sheetWindow() == nullptr)
        return nullptr;
    return reinterpret_cast<HWND>(sendToWizard(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND WizardDriver::control(int id) {
    return GetDlgItem(page(), id);
}

std::string WizardDriver::text(int id) {
    char buffer[4096] = "";
    sendToWizard(control(id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void WizardDriver::setText(int id, const std::string& text) {
    sendToWizard(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void WizardDriver::click(int id) {
    PostMessageA(control(id), BM_CLICK, 0, 0);
}

bool WizardDriver::isEnabled(int id) {
    return IsWindowEnabled(control(id)) != FALSE;
}

bool WizardDriver::isVisible(int id) {
    return (GetWindowLongPtrA(control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool WizardDriver::isChecked(int id) {
    return sendToWizard(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool WizardDriver::sheetButtonEnabled(int buttonId) {
    HWND button = GetDlgItem(sheetWindow(), buttonId);
    return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button);
}

void WizardDriver::press(int psbtn) {
    PostMessageA(sheetWindow(), PSM_PRESSBUTTON, static_cast<WPARAM>(psbtn), 0);
}

std::string WizardDriver::sheetTitle() {
    char buffer[512] = "";
    sendToWizard(sheetWindow(), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}
