// Stand-in for the product's driver library "__cdca.lx": a DLL with one export.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD kvrDriverInterfaceVersion() {
    return 0x00010002;
}
