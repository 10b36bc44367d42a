// One run of the real setup program, watched from outside: its process, its
// wizard window and its message boxes. The program runs in this program's Wine
// prefix (the same wineserver), so its windows, registry and files are ours to
// see. A run that is still going when the object dies is ended by force.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// A message box of the setup: a visible "#32770" window of its process with the
// static text control 0xFFFF.
struct SetupBox {
    HWND window = nullptr;
    std::string text;
    std::string caption;
    explicit operator bool() const { return window != nullptr; }
};

class SetupProcess {
public:
    // Starts `program` with `arguments`; `environment` is added to this process's
    // own environment for the child only.
    SetupProcess(const std::string& program, const std::string& arguments = "",
                 const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD id() const { return process_.dwProcessId; }

    // The wizard window once it shows a page; null after the time-out or when
    // the process ended first.
    HWND waitForWizard(DWORD timeoutMs = 20000);
    // A box not seen before (boxes are recognised once); empty after the
    // time-out or when the process ended first.
    SetupBox waitForBox(DWORD timeoutMs = 20000);
    // Clicks the box's button and waits until the box has gone.
    bool answer(const SetupBox& box, int button);
    // The exit code once the process has ended; false after the time-out.
    bool waitForExit(DWORD timeoutMs, DWORD* exitCode);
    // Waits until the setup waits for input with nothing pending (at most 5 s).
    void waitUntilIdle() { WaitForInputIdle(process_.hProcess, 5000); }
    // As waitForExit, watching all the while for a visible top-level window of
    // the process (of any kind): `windowSeen` tells whether one appeared.
    bool waitForExitWithoutWindows(DWORD timeoutMs, DWORD* exitCode, bool* windowSeen);
    // True when the process has shown a wizard window at any time so far.
    bool wizardSeen();

private:
    HWND findWizard();
    SetupBox findNewBox();
    bool running() const;

    PROCESS_INFORMATION process_ = {};
    std::vector<HWND> seenBoxes_;
    bool wizardSeen_ = false;
};

// Posts "KVR_CloseImmediately" to every copy of the kvr.exe stand-in and waits
// up to 10 s until none is left. Returns how many there were at the start.
int closeStandIns();
// Top-level windows of the installed program's class, in any process.
int standInCount();
