// Entry point of the setup program.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "This build of the Kestrova setup is not finished yet.",
                "Kestrova 1.2.7.1 - Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
