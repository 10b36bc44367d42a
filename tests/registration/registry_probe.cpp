// Raw registry helpers of the registration tests.
#include "tests/registration/registry_probe.h"

#include <sddl.h>
#include <shlwapi.h>

#include <cstring>

namespace {

// Opens for reading; null when the key cannot be opened.
HKEY openForReading(HKEY root, const char* keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

std::unique_ptr<KeySnapshot::Node> capture(HKEY key, const std::string& name) {
    auto node = std::make_unique<KeySnapshot::Node>();
    node->name = name;
    for (DWORD index = 0;; ++index) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        RawValue value;
        value.data.resize(dataSize);
        nameSize = sizeof valueName;
        value.status = RegEnumValueA(key, index, valueName, &nameSize, nullptr, &value.type,
                                     reinterpret_cast<BYTE*>(&value.data[0]), &dataSize);
        value.data.resize(dataSize);
        node->values.emplace_back(valueName, value);
    }
    for (DWORD index = 0;; ++index) {
        char subName[256];
        if (RegEnumKeyA(key, index, subName, sizeof subName) != ERROR_SUCCESS) {
            break;
        }
        if (HKEY sub = openForReading(key, subName)) {
            node->children.push_back(capture(sub, subName));
            RegCloseKey(sub);
        }
    }
    return node;
}

void restore(HKEY parent, const KeySnapshot::Node& node) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, node.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const auto& [name, value] : node.values) {
        RegSetValueExA(key, name.c_str(), 0, value.type,
                       reinterpret_cast<const BYTE*>(value.data.data()),
                       static_cast<DWORD>(value.data.size()));
    }
    for (const auto& child : node.children) {
        restore(key, *child);
    }
    RegCloseKey(key);
}

bool setRules(HKEY root, const char* keyPath, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return false;
    }
    HKEY key = nullptr;
    bool set = false;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, WRITE_DAC, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return set;
}

}  // namespace

std::string RawValue::text() const {
    if (!data.empty() && data.back() == '\0') {
        return data.substr(0, data.size() - 1);
    }
    return data;
}

uint32_t RawValue::number() const {
    uint32_t value = 0;
    std::memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
    return value;
}

RawValue readRaw(HKEY root, const char* keyPath, const char* valueName) {
    RawValue value;
    HKEY key = nullptr;
    value.status = RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key);
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    value.status = RegQueryValueExA(key, valueName, nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.status = RegQueryValueExA(key, valueName, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(&value.data[0]), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

bool keyExists(HKEY root, const char* keyPath) {
    HKEY key = openForReading(root, keyPath);
    if (key != nullptr) {
        RegCloseKey(key);
    }
    return key != nullptr;
}

DWORD valueCount(HKEY root, const char* keyPath) {
    DWORD count = 0;
    if (HKEY key = openForReading(root, keyPath)) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return count;
}

void writeRawText(HKEY root, const char* keyPath, const char* valueName, const std::string& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                       static_cast<DWORD>(bytes.size() + 1));
        RegCloseKey(key);
    }
}

void writeRawNumber(HKEY root, const char* keyPath, const char* valueName, uint32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
}

void deleteTree(HKEY root, const char* keyPath) {
    SHDeleteKeyA(root, keyPath);
}

void deleteIfEmpty(HKEY root, const char* keyPath) {
    SHDeleteEmptyKeyA(root, keyPath);
}

KeyLock::KeyLock(HKEY root, const char* keyPath, const char* sddl)
    : root_(root), path_(keyPath), applied_(setRules(root, keyPath, sddl)) {}

KeyLock::~KeyLock() {
    setRules(root_, path_.c_str(), "D:(A;OICI;KA;;;WD)");
}

KeySnapshot::KeySnapshot(HKEY root, const char* keyPath) : root_(root), path_(keyPath) {
    if (HKEY key = openForReading(root, keyPath)) {
        captured_ = capture(key, keyPath);
        RegCloseKey(key);
    }
}

KeySnapshot::~KeySnapshot() {
    SHDeleteKeyA(root_, path_.c_str());
    if (captured_) {
        restore(root_, *captured_);
    }
}
