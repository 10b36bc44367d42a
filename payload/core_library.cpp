// Stand-in for the product's auxiliary library "kvrcore.dll": a DLL with one export.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD kvrCoreVersion() {
    return 0x01020701;
}
