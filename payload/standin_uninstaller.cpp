// Stand-in for the product's uninstaller "uninst_kvr.exe": says what it is and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr,
                "This is a stand-in for the Kestrova uninstaller.\n"
                "It removes nothing; delete the installation folder by hand.",
                "Kestrova Uninstaller", MB_OK | MB_ICONINFORMATION);
    return 0;
}
