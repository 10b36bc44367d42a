#include "tests/support/wizard_driver.h"

#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <vector>

#include "startup/setup_session.h"
#include "tests/support/polling.h"
#include "tests/support/window_search.h"
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

bool messageBoxOpen() {
    return findMessageBox(gSession.sheetWindow) != nullptr;
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

// The header's texts are drawn by comctl32 with DrawTextW: its import of that
// function is pointed at a recorder that keeps what is drawn on the sheet.
struct DrawnTexts {
    CRITICAL_SECTION lock;
    HWND sheet = nullptr;
    std::vector<std::wstring> texts;
    decltype(&DrawTextW) original = nullptr;
    DrawnTexts() { InitializeCriticalSection(&lock); }
};
DrawnTexts& drawnTexts() {
    static DrawnTexts recorded;
    return recorded;
}

int WINAPI recordDrawText(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    DrawnTexts& recorded = drawnTexts();
    EnterCriticalSection(&recorded.lock);
    if (recorded.sheet != nullptr && WindowFromDC(dc) == recorded.sheet && text != nullptr)
        recorded.texts.push_back(count < 0 ? std::wstring(text) : std::wstring(text, count));
    LeaveCriticalSection(&recorded.lock);
    return recorded.original(dc, text, count, rect, format);
}

void redirectDrawText(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + import->Name), "user32.dll") != 0 ||
            import->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "DrawTextW") != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            if (slots->u1.Function != reinterpret_cast<ULONG_PTR>(recordDrawText))
                drawnTexts().original = reinterpret_cast<decltype(&DrawTextW)>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(recordDrawText);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
}

// Every comctl32 of the process (the wizard's version 6 and any other).
void redirectDrawTextOfCommonControls() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more;
         more = Module32Next(snapshot, &module)) {
        if (lstrcmpiA(module.szModule, "comctl32.dll") == 0)
            redirectDrawText(module.hModule);
    }
    CloseHandle(snapshot);
}

std::string narrow(const std::wstring& text) {
    char buffer[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

}  // namespace

bool WizardDriver::run(const std::function<void(WizardDriver&)>& script) {
    static HMODULE richEdit = LoadLibraryA("Riched20.dll");
    gSession.richEdit20Library = richEdit;
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

bool WizardDriver::waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    return waitUntil(condition, timeoutMs);
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

void WizardDriver::settle() {
    // A handler can still be running after its box has closed: the page switch
    // that follows creates the next page, and the shell calls made there let sent
    // messages in. So wait until no box is open and the page stays the same for a
    // while, each look answered by the wizard's thread.
    constexpr int kStableLooks = 15;
    int stableLooks = 0;
    int lastPage = -1;
    waitUntil(
        [&] {
            const bool boxOpen = messageBoxOpen();
            sendToWizard(gSession.sheetWindow, WM_NULL, 0, 0);
            const int page = pageId();
            stableLooks = (!boxOpen && page == lastPage) ? stableLooks + 1 : 0;
            lastPage = page;
            return stableLooks >= kStableLooks;
        },
        10000);
}

std::string WizardDriver::sheetTitle() {
    char buffer[512] = "";
    sendToWizard(sheetWindow(), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

WizardDriver::HeaderTexts WizardDriver::headerTexts() {
    DrawnTexts& recorded = drawnTexts();
    EnterCriticalSection(&recorded.lock);
    if (recorded.original == nullptr)
        redirectDrawTextOfCommonControls();
    recorded.sheet = gSession.sheetWindow;
    recorded.texts.clear();
    LeaveCriticalSection(&recorded.lock);
    RedrawWindow(gSession.sheetWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HeaderTexts header;
    waitUntil(
        [&] {
            EnterCriticalSection(&recorded.lock);
            const bool both = recorded.texts.size() >= 2;
            if (both) {
                header.title = narrow(recorded.texts[0]);
                header.subtitle = narrow(recorded.texts[1]);
            }
            LeaveCriticalSection(&recorded.lock);
            return both;
        },
        2000);
    EnterCriticalSection(&recorded.lock);
    recorded.sheet = nullptr;
    LeaveCriticalSection(&recorded.lock);
    return header;
}
