// The licence page: the licence agreement in a view that can be scrolled but not
// selected or copied from, and the choice to accept it, without which Next stays
// unavailable.
#include <windows.h>

#include <commctrl.h>

#include "licence_text.h"
#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "text/scramble.h"
#include "text/text_buffer.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

// The eight keys that scroll; with Shift they would select instead.
bool isScrollingKey(WPARAM key) {
    return key >= VK_PRIOR && key <= VK_DOWN && GetKeyState(VK_SHIFT) >= 0;
}

// The dialog keeps Tab, Shift+Tab, Enter and Esc, so that the keyboard can leave
// the view, press the default button and cancel; the arrows and typed characters
// still go to the view, which refuses all but the eight keys that scroll.
LRESULT dialogCode(WNDPROC kept, HWND view, WPARAM wParam, LPARAM lParam) {
    const LRESULT wanted = CallWindowProcA(kept, view, WM_GETDLGCODE, wParam, lParam);
    return wanted & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
}

// Installed on the view: no caret, selection or context menu by mouse, and no key
// but the eight that scroll.
LRESULT CALLBACK licenceViewFilter(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC kept = gSession.richEditProc;
    switch (message) {
        case WM_DESTROY:
            // The view's own procedure must see its destruction to free what it holds.
            SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kept));
            gSession.richEditProc = nullptr;
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return 0;
        case WM_GETDLGCODE:
            return dialogCode(kept, view, wParam, lParam);
        case WM_KEYDOWN:
            if (!isScrollingKey(wParam))
                return 0;
            break;
    }
    return CallWindowProcA(kept, view, message, wParam, lParam);
}

void installViewFilter(HWND view) {
    const WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(view, GWLP_WNDPROC));
    if (current == nullptr)
        return;
    gSession.richEditProc = current;
    SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(licenceViewFilter));
}

// The stored agreement with the current year wherever "#YR#" stands.
TextBuffer licenceText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuffer year;
    year.format("%u", unsigned(now.wYear));
    return unscrambleWithKey(kLicenceText, kLicenceTextKey).replaceAll("#YR#", year.text(), true);
}

void updateButtons(HWND page) {
    const bool accepted =
        SendDlgItemMessageA(page, IDC_LICENCE_RAD_ACCEPT, BM_GETCHECK, 0, 0) == BST_CHECKED;
    setWizardButtons(accepted ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

INT_PTR onInitDialog(HWND page) {
    installViewFilter(GetDlgItem(page, IDC_LICENCE_VW_TEXT));
    SetDlgItemTextA(page, IDC_LICENCE_VW_TEXT, licenceText().text());
    updateButtons(page);
    return TRUE;
}

INT_PTR onCommand(HWND page, WPARAM wParam) {
    const int control = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED &&
        (control == IDC_LICENCE_RAD_ACCEPT || control == IDC_LICENCE_RAD_DECLINE)) {
        updateButtons(page);
        return TRUE;
    }
    return FALSE;
}

INT_PTR onSetActive(HWND page) {
    showNextShield(false);
    setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    updateButtons(page);
    return pageResult(page, 0);
}

INT_PTR onNotify(HWND page, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_QUERYCANCEL:
            return queryCancel(page);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK licencePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(page);
        case WM_COMMAND:
            return onCommand(page, wParam);
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
}
