// kvr_bare_wizard: the least a program with a wizard does, the second baseline of
// the start-to-first-page rows: one empty page of the setup's size in a Wizard97
// property sheet, with the common controls of the setup's manifest, shown until it
// is closed. Set against the bare window, it tells apart what the property sheet
// itself costs to come on screen.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

namespace {

INT_PTR CALLBACK emptyPageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A page template in memory: no menu, the default class, no title, no controls.
struct alignas(4) PageTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    PageTemplate pageTemplate = {};
    pageTemplate.header.style = WS_CHILD | WS_DISABLED | DS_CONTROL;
    pageTemplate.header.cx = 330;
    pageTemplate.header.cy = 166;

    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT | PSP_USEHEADERTITLE;
    page.hInstance = instance;
    page.pResource = &pageTemplate.header;
    page.pfnDlgProc = emptyPageProc;
    page.pszHeaderTitle = "Bare wizard";

    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD97 | PSH_NOAPPLYNOW;
    sheet.hInstance = instance;
    sheet.pszCaption = "Bare wizard";
    sheet.nPages = 1;
    sheet.ppsp = &page;
    return PropertySheetA(&sheet) == -1 ? 1 : 0;
}
