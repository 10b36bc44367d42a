// Cleaning and comparing dotted version texts.
#include "text/version.h"

#include <cstdint>

namespace {

constexpr const char* kComponentDelimiters = ".,- /\\";

bool endsVersionPart(char c) {
    return c == '(' || c == '-' || c == '[' || IsCharAlphaA(c);
}

bool isVersionChar(char c) {
    return (c >= '0' && c <= '9') || c == '.';
}

// The number formed by the leading decimal digits; saturates instead of overflowing.
int32_t leadingNumber(const TextBuffer& component) {
    int64_t value = 0;
    for (const char* p = component.text(); *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) {
            return INT32_MAX;
        }
    }
    return static_cast<int32_t>(value);
}

int32_t componentValue(TextBuffer& component) {
    component.trim(kBlankSet);
    component.keepAlphanumeric();
    return leadingNumber(component);
}

bool isEmpty(const TextBuffer& text) {
    return text.isBlank(0) != 0;
}

}  // namespace

void normalizeVersion(TextBuffer& version) {
    uint32_t visible = version.visibleLength();
    const char* text = version.text();
    TextBuffer cleaned;
    for (uint32_t p = 0; p < visible && !endsVersionPart(text[p]); ++p) {
        if (isVersionChar(text[p])) {
            cleaned.appendChar(text[p]);
        }
    }
    version.assign(cleaned);
}

int compareVersion(const TextBuffer& a, const char* b) {
    TextBuffer other(b);
    int32_t positionA = 0;
    int32_t positionB = 0;
    TextBuffer tokenA = a.nextToken(kComponentDelimiters, &positionA);
    TextBuffer tokenB = other.nextToken(kComponentDelimiters, &positionB);
    if (!isEmpty(tokenA)) {
        while (!isEmpty(tokenB)) {
            int32_t valueA = componentValue(tokenA);
            int32_t valueB = componentValue(tokenB);
            if (valueA < valueB) {
                return 1;
            }
            if (valueA > valueB) {
                return -1;
            }
            tokenA = a.nextToken(kComponentDelimiters, &positionA);
            tokenB = other.nextToken(kComponentDelimiters, &positionB);
            if (isEmpty(tokenA)) {
                break;
            }
        }
    }
    if (!isEmpty(tokenA) && isEmpty(tokenB)) {
        return -1;
    }
    if (isEmpty(tokenA) && !isEmpty(tokenB)) {
        return 1;
    }
    return 0;
}
