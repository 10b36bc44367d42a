#include "tests/e2e/screen_capture.h"

#include <cstdio>

namespace {

// The per-monitor awareness context of Windows 10 (and Wine): no DPI mapping of
// other processes' window rectangles.
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

struct DeviceContext {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ~DeviceContext() {
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
};

}  // namespace

void usePhysicalPixels() {
    using SetContext = HANDLE(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleA("user32.dll");
    auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetThreadDpiAwarenessContext")));
    if (setContext != nullptr) {
        setContext(kPerMonitorAware);
    }
}

bool captureWindow(HWND window, const std::string& bmpPath) {
    RECT rect;
    if (!GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top) {
        return false;
    }
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as a BMP file stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);

    DeviceContext dc;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc.screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        return false;
    }
    HGDIOBJ previous = SelectObject(dc.memory, bitmap);
    const bool copied = BitBlt(dc.memory, 0, 0, width, height, dc.screen, rect.left, rect.top,
                               SRCCOPY | CAPTUREBLT) != FALSE;
    GdiFlush();
    bool written = false;
    if (copied) {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + header.biSizeImage;
        if (FILE* out = std::fopen(bmpPath.c_str(), "wb")) {
            written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                      std::fwrite(&header, sizeof header, 1, out) == 1 &&
                      std::fwrite(bits, header.biSizeImage, 1, out) == 1;
            written = std::fclose(out) == 0 && written;
        }
    }
    SelectObject(dc.memory, previous);
    DeleteObject(bitmap);
    return written;
}
