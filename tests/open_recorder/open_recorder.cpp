// A stand-in for the user's browser, which tests register as the shell's "open"
// command: open_recorder.exe LOG_FILE DOCUMENT appends one line to LOG_FILE, the
// process's creation time (16 hexadecimal digits of 100-ns units) and DOCUMENT.
// The creation times tell the order in which the shell started the documents.
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kLockAttempts = 500;
constexpr DWORD kLockRetry = 10;

// Several copies may be started at once: the log is opened without sharing and
// the open is retried while another copy holds it.
HANDLE openLog(const char* path) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        HANDLE log = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) {
            return log;
        }
        Sleep(kLockRetry);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 1;
    }
    char line[1200];
    const int length = std::snprintf(line, sizeof line, "%08lX%08lX %s\r\n", created.dwHighDateTime,
                                     created.dwLowDateTime, argv[2]);
    if (length <= 0 || length >= static_cast<int>(sizeof line)) {
        return 1;
    }
    HANDLE log = openLog(argv[1]);
    if (log == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(log, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(log);
    return ok ? 0 : 1;
}
