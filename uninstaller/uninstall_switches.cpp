#include "uninstaller/uninstall_switches.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Case-insensitive: does `text` begin with the lower-case `prefix`?
bool startsWith(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        const char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix) {
            return false;
        }
    }
    return true;
}

bool setOnce(bool* flag) {
    if (*flag) {
        return false;
    }
    *flag = true;
    return true;
}

// Digits only: strtoull alone would also take a sign ("-1" is the current process's
// pseudo handle) and would cut a value too large for a handle.
bool readHandle(const char** cursor, char end, HANDLE* handle) {
    if (**cursor < '0' || **cursor > '9') {
        return false;
    }
    char* after = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(*cursor, &after, 10);
    if (*after != end || errno == ERANGE || static_cast<ULONG_PTR>(value) != value) {
        return false;
    }
    *handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
    *cursor = after + (end != '\0' ? 1 : 0);
    return true;
}

bool parseToken(const char* token, UninstallSwitches* switches) {
    if (startsWith(token, "/silent") && token[7] == '\0') {
        return setOnce(&switches->silent);
    }
    if (startsWith(token, "/purge") && token[6] == '\0') {
        return setOnce(&switches->purge);
    }
    if (startsWith(token, "/log=")) {
        const size_t length = std::strlen(token + 5);
        return length != 0 && length < sizeof switches->log && setOnce(&switches->hasLog) &&
               (std::strcpy(switches->log, token + 5), true);
    }
    if (startsWith(token, "/copyof=")) {
        const char* cursor = token + 8;
        return setOnce(&switches->hasCopyOf) && readHandle(&cursor, ',', &switches->parent) &&
               readHandle(&cursor, '\0', &switches->reportPipe);
    }
    return false;
}

}  // namespace

bool parseUninstallSwitches(const char* line, UninstallSwitches* switches) {
    *switches = UninstallSwitches();
    bool understood = true;
    for (const char* c = line != nullptr ? line : "";;) {
        while (isBlank(*c)) {
            ++c;
        }
        if (*c == '\0') {
            return understood;
        }
        char token[kSwitchValueSize + 16];
        size_t length = 0;
        bool quoted = false;
        bool tooLong = false;
        for (; *c != '\0' && (quoted || !isBlank(*c)); ++c) {
            if (*c == '"') {
                quoted = !quoted;
            } else if (length + 1 < sizeof token) {
                token[length++] = *c;
            } else {
                tooLong = true;
            }
        }
        token[length] = '\0';
        if (quoted || tooLong || !parseToken(token, switches)) {
            understood = false;
        }
    }
}
