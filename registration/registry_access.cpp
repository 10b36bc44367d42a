// Reading and writing single registry values through RegistryValueSpec records.
#include "registration/registry_access.h"

#include "startup/install_log.h"
#include "text/scoped_handles.h"

namespace {

bool isMissing(LONG code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

int32_t outcomeOfFailure(LONG code) {
    return isMissing(code) ? 0 : -1;
}

// What one read produced: the outcome (1, 0, -1) and the code to remember.
struct ReadResult {
    int32_t outcome = 0;
    LONG error = ERROR_SUCCESS;
};

ReadResult readDword(const RegistryValueSpec& spec, HKEY key, uint32_t* value) {
    ReadResult result;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG code = RegQueryValueExA(key, spec.valueName, nullptr, &type,
                                       reinterpret_cast<BYTE*>(&data), &size);
    if (code != ERROR_SUCCESS) {
        result.error = code;
        result.outcome = outcomeOfFailure(code);
    } else if (type == REG_DWORD) {
        *value = data;
        result.outcome = 1;
    }
    return result;
}

// The data may lack its terminating NUL, so the buffer holds one byte more than
// the value and the text ends where the data ends.
ReadResult readText(const RegistryValueSpec& spec, HKEY key, TextBuffer* target) {
    ReadResult result;
    DWORD type = 0;
    DWORD size = 0;
    const LONG code = RegQueryValueExA(key, spec.valueName, nullptr, &type, nullptr, &size);
    if (code != ERROR_SUCCESS) {
        result.error = code;
        result.outcome = outcomeOfFailure(code);
        return result;
    }
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < 1) {
        return result;
    }
    TextBuffer value;
    value.resizeFilled(static_cast<int32_t>(size), ' ');
    DWORD received = size;
    if (RegQueryValueExA(key, spec.valueName, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &received) != ERROR_SUCCESS) {
        return result;
    }
    if (received > 0 && value.text()[received - 1] == '\0') {
        --received;
    }
    value.resizeFilled(static_cast<int32_t>(received), ' ');
    if (target != nullptr) {
        target->assign(value);
    }
    result.outcome = 1;
    return result;
}

// Opens the key for reading and runs `query` on it; stores the outcome.
template <typename Query>
LONG readHalf(RegistryValueSpec& spec, Query query) {
    ReadResult result;
    ScopedKey key;
    const LONG code = RegOpenKeyExA(spec.root, spec.keyPath, 0, KEY_READ, key.out());
    if (code != ERROR_SUCCESS) {
        result.error = code;
        result.outcome = outcomeOfFailure(code);
    } else {
        result = query(key.get());
    }
    if (spec.readStatus != nullptr) {
        *spec.readStatus = result.outcome;
    }
    return result.error;
}

const char* rootName(HKEY root) {
    if (root == HKEY_CURRENT_USER) {
        return "HKCU";
    }
    if (root == HKEY_LOCAL_MACHINE) {
        return "HKLM";
    }
    return root == HKEY_CLASSES_ROOT ? "HKCR" : "HKEY";
}

// Creates the key (and missing parents) and sets the value. Returns 1 or 0 and
// leaves the right code in lastError.
int writeHalf(RegistryValueSpec& spec, LONG readError, DWORD type, const BYTE* data, DWORD size) {
    ScopedKey key;
    LONG code = RegCreateKeyExA(spec.root, spec.keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_WRITE, nullptr, key.out(), nullptr);
    if (code == ERROR_SUCCESS) {
        code = RegSetValueExA(key.get(), spec.valueName, 0, type, data, size);
    }
    if (code != ERROR_SUCCESS) {
        spec.lastError = static_cast<uint32_t>(code);
        logEvent("Registry value not written (error %ld): %s\\%s\\%s", static_cast<long>(code),
                 rootName(spec.root), spec.keyPath, spec.valueName);
        return 0;
    }
    spec.lastError = static_cast<uint32_t>(readError);
    if (type == REG_DWORD) {
        logEvent("Registry value written: %s\\%s\\%s = %lu (REG_DWORD)", rootName(spec.root),
                 spec.keyPath, spec.valueName,
                 static_cast<unsigned long>(data[0] | data[1] << 8 | data[2] << 16 |
                                            static_cast<uint32_t>(data[3]) << 24));
    } else {
        logEvent("Registry value written: %s\\%s\\%s = \"%s\"", rootName(spec.root), spec.keyPath,
                 spec.valueName, reinterpret_cast<const char*>(data));
    }
    return 1;
}

}  // namespace

int applyDwordValue(RegistryValueSpec& spec) {
    LONG readError = ERROR_SUCCESS;
    if (spec.flags & ReadValue) {
        readError = readHalf(
            spec, [&spec](HKEY key) { return readDword(spec, key, &spec.readTarget.dword); });
    }
    if (!(spec.flags & WriteValue)) {
        spec.lastError = static_cast<uint32_t>(readError);
        return 1;
    }
    const uint32_t value = spec.writeData.dword;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return writeHalf(spec, readError, REG_DWORD, bytes, sizeof bytes);
}

int applyTextValue(RegistryValueSpec& spec) {
    LONG readError = ERROR_SUCCESS;
    if (spec.flags & ReadValue) {
        readError =
            readHalf(spec, [&spec](HKEY key) { return readText(spec, key, spec.readTarget.text); });
    }
    if (!(spec.flags & WriteValue)) {
        spec.lastError = static_cast<uint32_t>(readError);
        return 1;
    }
    const char* text = spec.writeData.text != nullptr ? spec.writeData.text : "";
    return writeHalf(spec, readError, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>(lstrlenA(text) + 1));
}

int writeSettingDword(const char* valueName, uint32_t value, HKEY root) {
    RegistryValueSpec spec;
    spec.flags = WriteValue;
    spec.root = root;
    spec.keyPath = kSettingsKey;
    spec.valueName = valueName;
    spec.writeData.dword = value;
    return applyDwordValue(spec);
}

int writeSettingText(const char* valueName, const char* text, HKEY root) {
    RegistryValueSpec spec;
    spec.flags = WriteValue;
    spec.root = root;
    spec.keyPath = kSettingsKey;
    spec.valueName = valueName;
    spec.writeData.text = text;
    return applyTextValue(spec);
}

TextBuffer readRegistryText(HKEY root, const char* keyPath, const char* valueName,
                            const char* defaultText, int32_t* outcome) {
    TextBuffer result;
    int32_t status = 0;
    RegistryValueSpec spec;
    spec.flags = ReadValue;
    spec.root = root;
    spec.keyPath = keyPath;
    spec.valueName = valueName;
    spec.readTarget.text = &result;
    spec.readStatus = &status;
    applyTextValue(spec);
    if (status != 1) {
        result.assign(defaultText != nullptr ? defaultText : "");
    }
    if (outcome != nullptr) {
        *outcome = status;
    }
    return result;
}

TextBuffer readSettingText(HKEY root, const char* valueName, const char* defaultText,
                           int32_t* outcome) {
    return readRegistryText(root, kSettingsKey, valueName, defaultText, outcome);
}

bool deleteSettingValue(HKEY root, const char* valueName) {
    ScopedKey key;
    const LONG opened = RegOpenKeyExA(root, kSettingsKey, 0, KEY_SET_VALUE, key.out());
    if (opened != ERROR_SUCCESS) {
        return isMissing(opened);
    }
    const LONG deleted = RegDeleteValueA(key.get(), valueName);
    return deleted == ERROR_SUCCESS || isMissing(deleted);
}
