#include "wizard/wizard_frame.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"
#include "wizard/wizard_pages.h"

namespace {

struct PageDescription {
    int dialogId;
    DLGPROC procedure;
    int headerTitleId;
    int headerSubtitleId;
};

// Wizard order. The first page's title and subtitle are the reverse of the
// numeric order the others follow.
constexpr PageDescription kPages[] = {
    {IDD_WELCOME, welcomePageProc, IDS_WELCOME_TITLE, IDS_WELCOME_SUBTITLE},
    {IDD_LICENCE, licencePageProc, IDS_LICENCE_TITLE, IDS_LICENCE_SUBTITLE},
    {IDD_DESTINATION, destinationPageProc, IDS_DESTINATION_TITLE, IDS_DESTINATION_SUBTITLE},
    {IDD_START_MENU, startMenuPageProc, IDS_START_MENU_TITLE, IDS_START_MENU_SUBTITLE},
    {IDD_DATA_FOLDER, dataFolderPageProc, IDS_DATA_FOLDER_TITLE, IDS_DATA_FOLDER_SUBTITLE},
    {IDD_TASKS, tasksPageProc, IDS_TASKS_TITLE, IDS_TASKS_SUBTITLE},
    {IDD_READY, readyPageProc, IDS_READY_TITLE, IDS_READY_SUBTITLE},
    {IDD_INSTALLING, installingPageProc, IDS_INSTALLING_TITLE, IDS_INSTALLING_SUBTITLE},
    {IDD_FINISH, finishPageProc, IDS_FINISH_TITLE, IDS_FINISH_SUBTITLE},
};
constexpr int kPageCount = sizeof(kPages) / sizeof(kPages[0]);

constexpr DWORD kPageFlags = PSP_USETITLE | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
constexpr DWORD kSheetFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_NOAPPLYNOW | PSH_USECALLBACK |
                              PSH_WATERMARK | PSH_HEADER | PSH_WIZARD97 | PSH_NOCONTEXTHELP;
// The plain wizard style, without header texts and bitmaps.
constexpr DWORD kPlainPageFlags = PSP_USETITLE;
constexpr DWORD kPlainSheetFlags =
    PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_WIZARD | PSH_NOAPPLYNOW | PSH_USECALLBACK;

int CALLBACK sheetCallback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED) {
        gSession.sheetWindow = sheet;
        SetClassLongPtrA(sheet, GCLP_HICON, reinterpret_cast<LONG_PTR>(gSession.wizardIcon));
        SendMessageA(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gSession.wizardIcon));
    }
    return 0;
}

void describePages(PROPSHEETPAGEA (&pages)[kPageCount], DWORD flags) {
    for (int i = 0; i < kPageCount; ++i) {
        PROPSHEETPAGEA& page = pages[i];
        page = PROPSHEETPAGEA{};
        page.dwSize = sizeof(PROPSHEETPAGEA);
        page.dwFlags = flags;
        page.hInstance = gSession.moduleInstance;
        page.pszTemplate = MAKEINTRESOURCEA(kPages[i].dialogId);
        page.pszTitle = kSetupCaption;
        page.pfnDlgProc = kPages[i].procedure;
        page.pszHeaderTitle = MAKEINTRESOURCEA(kPages[i].headerTitleId);
        page.pszHeaderSubTitle = MAKEINTRESOURCEA(kPages[i].headerSubtitleId);
    }
}

INT_PTR showSheet(PROPSHEETPAGEA (&pages)[kPageCount], DWORD pageFlags, DWORD sheetFlags) {
    describePages(pages, pageFlags);
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof(PROPSHEETHEADERA);
    sheet.dwFlags = sheetFlags;
    sheet.hInstance = gSession.moduleInstance;
    sheet.pszIcon = MAKEINTRESOURCEA(IDI_APPLICATION_ICON);
    sheet.nPages = kPageCount;
    sheet.ppsp = pages;
    sheet.pfnCallback = sheetCallback;
    sheet.pszbmWatermark = MAKEINTRESOURCEA(IDB_WATERMARK);
    sheet.pszbmHeader = MAKEINTRESOURCEA(IDB_HEADER);
    const INT_PTR result = PropertySheetA(&sheet);
    // The window is gone: a later message box must not take it as its owner.
    gSession.sheetWindow = nullptr;
    return result;
}

}  // namespace

int runWizard() {
    PROPSHEETPAGEA pages[kPageCount];
    if (showSheet(pages, kPageFlags, kSheetFlags) != -1)
        return 0;
    if (showSheet(pages, kPlainPageFlags, kPlainSheetFlags) != -1)
        return 0;
    const int answer = showMessage(
        "ERROR: Could not start installation...\nYour operating system is not supported. Please "
        "contact us through feedback to report this.\n\nWould you like to connect to the "
        "feedback page now?",
        MB_YESNOCANCEL | MB_ICONERROR);
    if (answer == IDYES)
        openWithShell(kFeedbackPage);
    return 0;
}

int confirmCancel(HWND page) {
    const int answer = showMessage(
        "Setup is not complete. If you exit now, the program will not be installed.\n\nYou may "
        "run Setup again at another time to complete the installation.\n\nExit Setup?",
        MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2, page);
    if (answer != IDYES) {
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return 0;
    }
    removeChosenFolders();
    return 1;
}

void setWizardButtons(DWORD buttons) {
    SendMessageA(gSession.sheetWindow, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

void showNextShield(bool shown) {
    // Declared by the headers only for Vista and later; older buttons ignore it.
    constexpr UINT kSetShield = BCM_FIRST + 0x000C;
    SendDlgItemMessageA(gSession.sheetWindow, IDC_SHEET_NEXT, kSetShield, 0, shown ? TRUE : FALSE);
}

INT_PTR pageResult(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR stayOnPage(HWND page) {
    return pageResult(page, -1);
}

INT_PTR queryCancel(HWND page) {
    return confirmCancel(page) == 0 ? TRUE : FALSE;
}
