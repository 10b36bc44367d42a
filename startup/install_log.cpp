#include "startup/install_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "startup/setup_session.h"
#include "text/text_buffer.h"

namespace {

// Events are short; a longer one (a message listing many files) is cut here.
constexpr int kEventLimit = 4096;

void writeAll(HANDLE file, const TextBuffer& line) {
    DWORD written = 0;
    WriteFile(file, line.text(), line.visibleLength(), &written, nullptr);
}

}  // namespace

void openInstallLog(const char* path) {
    closeInstallLog();
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    gSession.installLog = file != INVALID_HANDLE_VALUE ? file : nullptr;
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
    char text[kEventLimit] = "";
    va_list arguments;
    va_start(arguments, format);
    _vsnprintf(text, sizeof text - 1, format, arguments);
    va_end(arguments);
    text[sizeof text - 1] = '\0';

    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuffer line;
    line.format("%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds);
    for (const char* c = text; *c != '\0'; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '\n') {
            line.append("\\n");
        } else if (byte == '\r') {
            line.append("\\r");
        } else if (byte < 0x20 && byte != '\t') {
            line.appendFormat("\\x%02X", byte);
        } else {
            line.appendChar(*c);
        }
    }
    line.append("\r\n");
    writeAll(gSession.installLog, line);
}
