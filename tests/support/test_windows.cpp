#include "tests/support/test_windows.h"

#include <commctrl.h>
#include <prsht.h>

#include "engine/install_page_ids.h"

namespace {

constexpr const char* kWizardClass = "KvrTestStandInWizard";

HWND addControl(HWND parent, const char* className, int id, int top) {
    return CreateWindowExA(0, className, "", WS_CHILD, 0, top, 300, 20, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK wizardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PSM_SETCURSELID) {
        reinterpret_cast<StandInWizard*>(GetWindowLongPtrA(window, GWLP_USERDATA))
            ->pageRequests.push_back(lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

InstallingPage::InstallingPage() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    addControl(window_, PROGRESS_CLASSA, IDC_INSTALLING_PRG_PROGRESS, 0);
    addControl(window_, "STATIC", IDC_INSTALLING_TXT_DETAIL, 30);
    addControl(window_, "STATIC", IDC_INSTALLING_TXT_STATUS, 60);
}

std::string InstallingPage::line(int id) const {
    char text[256] = "";
    GetDlgItemTextA(window_, id, text, sizeof text);
    return text;
}

int InstallingPage::progressPosition() const {
    return static_cast<int>(
        SendDlgItemMessageA(window_, IDC_INSTALLING_PRG_PROGRESS, PBM_GETPOS, 0, 0));
}

StandInWizard::StandInWizard() {
    // Registering again fails harmlessly: the class stays as it was.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = wizardProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWizardClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kWizardClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}
