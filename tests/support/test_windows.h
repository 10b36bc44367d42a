// Stand-ins for the wizard's windows: an invisible installing page with the
// progress bar and the detail and status lines, and a wizard window that records
// the pages it is asked to show. Both are destroyed with the object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"

class InstallingPage {
public:
    InstallingPage();
    ~InstallingPage() { DestroyWindow(window_); }
    InstallingPage(const InstallingPage&) = delete;
    InstallingPage& operator=(const InstallingPage&) = delete;

    HWND handle() const { return window_; }
    // The text of the line with control id `id`.
    std::string line(int id) const;
    int progressPosition() const;

private:
    HWND window_ = nullptr;
};

class StandInWizard {
public:
    StandInWizard();
    ~StandInWizard() { DestroyWindow(window_); }
    StandInWizard(const StandInWizard&) = delete;
    StandInWizard& operator=(const StandInWizard&) = delete;

    HWND handle() const { return window_; }

    // The page ids of the PSM_SETCURSELID requests delivered so far, oldest first.
    std::vector<LPARAM> pageRequests;

private:
    HWND window_ = nullptr;
};
