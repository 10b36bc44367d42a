// A small stand-in for the installed Kestrova program: one main window of the
// product's class that closes at once when it receives "KVR_CloseImmediately"
// with wParam 1. With /ignoreclose it only counts those requests; the count is
// shown in the window title so that a test can read it.
#include <windows.h>

namespace {

constexpr const char* kWindowClass = "Velmora_kestrova";
constexpr const char* kCloseMessageName = "KVR_CloseImmediately";
constexpr const char* kIgnoreCloseSwitch = "/ignoreclose";
constexpr int kIconId = 279;

struct StandInState {
    UINT closeMessage;
    bool ignoreClose;
    int closeRequests;
};

StandInState* stateOf(HWND window) {
    return reinterpret_cast<StandInState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void showRequestCount(HWND window, int count) {
    char title[64];
    wsprintfA(title, "Kestrova stand-in - %d close requests", count);
    SetWindowTextA(window, title);
}

LRESULT onCreate(HWND window, LPARAM lParam) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return 0;
}

LRESULT onCloseRequest(HWND window, StandInState* state, WPARAM wParam) {
    showRequestCount(window, ++state->closeRequests);
    if (wParam == 1 && !state->ignoreClose) {
        DestroyWindow(window);
    }
    return 0;
}

LRESULT CALLBACK standInWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    StandInState* state = stateOf(window);
    if (state != nullptr && message == state->closeMessage) {
        return onCloseRequest(window, state, wParam);
    }
    switch (message) {
        case WM_CREATE:
            return onCreate(window, lParam);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool hasSwitch(const char* commandLine, const char* name) {
    const int length = lstrlenA(name);
    for (const char* p = commandLine; *p != '\0'; ++p) {
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, p, length, name, length) ==
            CSTR_EQUAL) {
            return true;
        }
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    StandInState state{RegisterWindowMessageA(kCloseMessageName),
                       hasSwitch(commandLine, kIgnoreCloseSwitch), 0};
    if (state.closeMessage == 0) {
        return 1;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = standInWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0) {
        return 1;
    }

    HWND window = CreateWindowExA(0, kWindowClass, "Kestrova stand-in - 0 close requests",
                                  WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320, 160,
                                  nullptr, nullptr, instance, &state);
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, showCommand);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
