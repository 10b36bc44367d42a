// Scaffold: replaced by the page's real procedure.
#include <windows.h>

#include <commctrl.h>

#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

INT_PTR CALLBACK licencePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_NOTIFY:
            switch (reinterpret_cast<NMHDR*>(lParam)->code) {
                case PSN_SETACTIVE:
                    setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
                    return TRUE;
                case PSN_QUERYCANCEL:
                    return queryCancel(page);
            }
            break;
    }
    return FALSE;
}
