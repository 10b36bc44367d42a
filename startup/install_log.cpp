// The install log (install_log.h).
#include "startup/install_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "startup/setup_session.h"
#include "text/text_buffer.h"

namespace {

constexpr const char* kStampFormat = "%04u-%02u-%02u %02u:%02u:%02u.%03u ";
constexpr const char* kLineBreakStandIn = " | ";

void writeAll(HANDLE file, const char* bytes, DWORD count) {
    DWORD written = 0;
    WriteFile(file, bytes, count, &written, nullptr);
}

}  // namespace

bool openInstallLog(const char* path) {
    closeInstallLog();
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    gSession.installLog = file;
    return true;
}

void closeInstallLog() {
    if (gSession.installLog != nullptr) {
        CloseHandle(gSession.installLog);
        gSession.installLog = nullptr;
    }
}

bool installLogOpen() {
    return gSession.installLog != nullptr;
}

void logEvent(const char* format, ...) {
    if (gSession.installLog == nullptr) {
        return;
    }
    char message[2048];
    va_list arguments;
    va_start(arguments, format);
    const int count = _vsnprintf(message, sizeof message - 1, format, arguments);
    va_end(arguments);
    message[count < 0 ? sizeof message - 1 : static_cast<size_t>(count)] = '\0';

    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuffer line;
    line.format(kStampFormat, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                now.wMilliseconds);
    for (const char* c = message; *c != '\0'; ++c) {
        if (*c == '\r' || *c == '\n') {
            if (c[1] == '\n' && *c == '\r') {
                ++c;
            }
            line.append(kLineBreakStandIn);
        } else {
            line.appendChar(*c);
        }
    }
    line.append("\r\n");
    writeAll(gSession.installLog, line.text(), line.visibleLength());
}
