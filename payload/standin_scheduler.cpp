// Stand-in for the product's scheduler "kvrsched.exe": says what it is and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "This is a stand-in for the Kestrova recording scheduler.",
                "Kestrova Scheduler", MB_OK | MB_ICONINFORMATION);
    return 0;
}
