#include "tests/e2e/setup_process.h"

#include <commctrl.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"
#include "tests/support/window_search.h"

namespace {

constexpr UINT kReplyTimeout = 5000;

HWND currentPageOf(HWND window) {
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, kReplyTimeout,
                             &page)) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(page);
}

BOOL CALLBACK countStandIn(HWND window, LPARAM count) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "Velmora_kestrova") == 0) {
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

}  // namespace

SetupProcess::SetupProcess(const std::string& program, const std::string& arguments,
                           const std::vector<std::pair<std::string, std::string>>& environment) {
    std::vector<std::pair<std::string, std::string>> saved;
    for (const auto& variable : environment) {
        char old[1024] = "";
        const DWORD length = GetEnvironmentVariableA(variable.first.c_str(), old, sizeof old);
        saved.emplace_back(variable.first, length > 0 && length < sizeof old ? old : "");
        SetEnvironmentVariableA(variable.first.c_str(), variable.second.c_str());
    }
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
        process_ = {};
    }
    for (const auto& variable : saved) {
        SetEnvironmentVariableA(variable.first.c_str(),
                                variable.second.empty() ? nullptr : variable.second.c_str());
    }
}

SetupProcess::~SetupProcess() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool SetupProcess::running() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND SetupProcess::findWizard() {
    for (HWND window : visibleWindowsOf(process_.dwProcessId, true)) {
        if (currentPageOf(window) != nullptr) {
            wizardSeen_ = true;
            return window;
        }
    }
    return nullptr;
}

SetupBox SetupProcess::findNewBox() {
    for (HWND window : visibleWindowsOf(process_.dwProcessId, true)) {
        HWND text = GetDlgItem(window, kMessageBoxTextId);
        if (text == nullptr || currentPageOf(window) != nullptr ||
            std::find(seenBoxes_.begin(), seenBoxes_.end(), window) != seenBoxes_.end()) {
            continue;
        }
        seenBoxes_.push_back(window);
        return SetupBox{window, windowText(text), windowText(window)};
    }
    return SetupBox{};
}

HWND SetupProcess::waitForWizard(DWORD timeoutMs) {
    HWND wizard = nullptr;
    waitUntil([&] { return (wizard = findWizard()) != nullptr || !running(); }, timeoutMs);
    return wizard;
}

SetupBox SetupProcess::waitForBox(DWORD timeoutMs) {
    SetupBox box;
    waitUntil([&] { return (box = findNewBox()) || !running(); }, timeoutMs);
    return box;
}

bool SetupProcess::answer(const SetupBox& box, int button) {
    HWND control = GetDlgItem(box.window, button);
    if (control == nullptr) {
        return false;
    }
    PostMessageA(control, BM_CLICK, 0, 0);
    return waitUntil([&] { return IsWindowVisible(box.window) == FALSE; }, 10000);
}

bool SetupProcess::waitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

bool SetupProcess::waitForExitWithoutWindows(DWORD timeoutMs, DWORD* exitCode, bool* windowSeen) {
    *windowSeen = false;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 5) == WAIT_TIMEOUT) {
        *windowSeen = *windowSeen || !visibleWindowsOf(process_.dwProcessId).empty();
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
    }
    GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

bool SetupProcess::wizardSeen() {
    findWizard();
    return wizardSeen_;
}

int standInCount() {
    int count = 0;
    EnumWindows(countStandIn, reinterpret_cast<LPARAM>(&count));
    return count;
}

int closeStandIns() {
    const int count = standInCount();
    const UINT closeMessage = RegisterWindowMessageA("KVR_CloseImmediately");
    waitUntil(
        [&] {
            HWND standIn = FindWindowA("Velmora_kestrova", nullptr);
            if (standIn == nullptr) {
                return true;
            }
            PostMessageA(standIn, closeMessage, 1, 0);
            return false;
        },
        10000);
    return count;
}
