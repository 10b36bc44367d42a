// kvr_bare_window [libraries]: the least a program with a window does, the
// baseline of the start-to-first-page rows: registers a class, shows one window
// and runs its message loop until the window is closed. With "libraries" it first
// loads what the setup's start-up loads before its wizard (OLE and the two
// rich-edit libraries), to tell their share of the setup's start apart.
#include <windows.h>

#include <ole2.h>

namespace {

LRESULT CALLBACK bareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int showWindow(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = bareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "KvrBareWindow";
    if (!RegisterClassA(&windowClass)) {
        return 1;
    }
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Bare window", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 500, 380, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (lstrcmpA(commandLine, "libraries") != 0) {
        return showWindow(instance);
    }
    const HRESULT ole = OleInitialize(nullptr);
    HMODULE richEdit20 = LoadLibraryA("Riched20.dll");
    HMODULE richEdit10 = LoadLibraryA("Riched32.dll");
    const int result = showWindow(instance);
    if (richEdit10 != nullptr) {
        FreeLibrary(richEdit10);
    }
    if (richEdit20 != nullptr) {
        FreeLibrary(richEdit20);
    }
    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return result;
}
