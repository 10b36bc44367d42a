// Searching, trimming, substrings, tokens and replacement over TextBuffer, and
// the path-ending helpers.
#include "text/text_helpers.h"

namespace {

// Bytes in the ANSI character at p: two for a lead byte followed by a trail byte.
int charLength(const char* p) {
    return IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0' ? 2 : 1;
}

// Whether the character of `length` bytes at p is one of the characters of set.
bool inSet(const char* p, int length, const char* set) {
    for (const char* s = set; *s != '\0'; s += charLength(s)) {
        int setLength = charLength(s);
        if (setLength == length && s[0] == p[0] && (length == 1 || s[1] == p[1])) {
            return true;
        }
    }
    return false;
}

// Bytes in the leading run of characters at text that are (or are not) in set.
int32_t spanOf(const char* text, const char* set, bool member) {
    const char* p = text;
    while (*p != '\0') {
        int length = charLength(p);
        if (inSet(p, length, set) != member) {
            break;
        }
        p += length;
    }
    return static_cast<int32_t>(p - text);
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether the text's last character is a backslash or a slash; the last byte
// alone could be the second half of a double-byte character.
bool endsWithSeparator(const TextBuffer& text) {
    const char* last = nullptr;
    for (const char* p = text.text() != nullptr ? text.text() : ""; *p != '\0';
         p += charLength(p)) {
        last = p;
    }
    return last != nullptr && charLength(last) == 1 && isSeparator(*last);
}

}  // namespace

int32_t TextBuffer::findChar(char c, int32_t start) const {
    if (!data_ || start < 0) {
        return -1;
    }
    int32_t visible = static_cast<int32_t>(visibleLength());
    for (int32_t p = start; p < visible; ++p) {
        if (data_[p] == c) {
            return p;
        }
    }
    return -1;
}

int32_t TextBuffer::countChar(char c, int32_t start) const {
    if (!data_ || start < 0) {
        return 0;
    }
    int32_t visible = static_cast<int32_t>(visibleLength());
    int32_t count = 0;
    for (int32_t p = start; p < visible; ++p) {
        if (data_[p] == c) {
            ++count;
        }
    }
    return count;
}

int32_t TextBuffer::findText(const char* pattern, int32_t start) const {
    int32_t n = lstrlenA(pattern);
    int32_t visible = static_cast<int32_t>(visibleLength());
    if (!data_ || n <= 0 || start < 0 || start >= visible || visible < n) {
        return -1;
    }
    for (int32_t p = start; p <= visible - n; ++p) {
        if (CompareStringA(LOCALE_USER_DEFAULT, 0, data_ + p, n, pattern, n) == CSTR_EQUAL) {
            return p;
        }
    }
    return -1;
}

int TextBuffer::isBlank(unsigned flags) const {
    uint32_t visible = data_ ? visibleLength() : 0;
    for (uint32_t p = 0; p < visible; ++p) {
        unsigned kind;
        switch (data_[p]) {
            case ' ':
                kind = 1;
                break;
            case '\t':
                kind = 2;
                break;
            case '\r':
            case '\n':
                kind = 4;
                break;
            default:
                return 0;
        }
        if ((flags & kind) == 0) {
            return 0;
        }
    }
    return 1;
}

void TextBuffer::trimLeft(const char* set) {
    if (!set || *set == '\0' || !data_ || visibleLength() == 0) {
        return;
    }
    eraseText(0, spanOf(data_, set, true));
}

void TextBuffer::trimRight(const char* set) {
    if (!set || *set == '\0' || !data_ || visibleLength() == 0) {
        return;
    }
    const char* mark = nullptr;
    for (const char* p = data_; *p != '\0';) {
        int length = charLength(p);
        if (!inSet(p, length, set)) {
            mark = nullptr;
        } else if (!mark) {
            mark = p;
        }
        p += length;
    }
    if (mark) {
        uint32_t position = static_cast<uint32_t>(mark - data_);
        eraseText(position, static_cast<int32_t>(visibleLength() - position));
    }
}

void TextBuffer::trim(const char* set) {
    trimRight(set);
    trimLeft(set);
}

TextBuffer TextBuffer::left(int32_t count) const {
    TextBuffer result(*this);
    int32_t visible = static_cast<int32_t>(visibleLength());
    if (count < 0) {
        count = 0;
    }
    if (count < visible) {
        result.eraseText(static_cast<uint32_t>(count), visible - count);
    }
    return result;
}

TextBuffer TextBuffer::right(int32_t count) const {
    TextBuffer result(*this);
    int32_t visible = static_cast<int32_t>(visibleLength());
    if (count < 0) {
        count = 0;
    }
    if (visible - count > 0) {
        result.eraseText(0, visible - count);
    }
    return result;
}

TextBuffer TextBuffer::mid(int32_t start, int32_t count) const {
    int32_t visible = static_cast<int32_t>(visibleLength());
    if (start < 0) {
        start = 0;
    }
    if (start >= visible || count <= 0) {
        return TextBuffer();
    }
    TextBuffer result(*this);
    result.eraseText(0, start);
    int32_t remaining = static_cast<int32_t>(result.visibleLength());
    if (count < remaining) {
        result.eraseText(static_cast<uint32_t>(count), remaining - count);
    }
    return result;
}

TextBuffer TextBuffer::nextToken(const char* delimiters, int32_t* position) const {
    if (!delimiters) {
        return TextBuffer(*this);
    }
    int32_t visible = static_cast<int32_t>(visibleLength());
    int32_t start = *position;
    if (!data_ || start < 0 || start >= visible) {
        *position = -1;
        return TextBuffer();
    }
    int32_t skip = spanOf(data_ + start, delimiters, true);
    if (start + skip >= visible) {
        *position = -1;
        return TextBuffer();
    }
    int32_t tokenLength = spanOf(data_ + start + skip, delimiters, false);
    *position = start + skip + tokenLength + 1;
    return mid(start + skip, tokenLength);
}

void TextBuffer::keepAlphanumeric() {
    TextBuffer kept;
    uint32_t visible = visibleLength();
    for (uint32_t p = 0; p < visible; ++p) {
        if (IsCharAlphaNumericA(data_[p])) {
            kept.appendChar(data_[p]);
        }
    }
    assign(kept);
}

TextBuffer TextBuffer::replaceAll(const char* pattern, const char* replacement,
                                  bool ignoreCase) const {
    int32_t n = lstrlenA(pattern);
    if (n <= 0) {
        return TextBuffer(*this);
    }
    DWORD flags = ignoreCase ? NORM_IGNORECASE : 0;
    int32_t visible = static_cast<int32_t>(visibleLength());
    TextBuffer result;
    for (int32_t p = 0; p < visible;) {
        if (p + n <= visible &&
            CompareStringA(LOCALE_USER_DEFAULT, flags, data_ + p, n, pattern, n) == CSTR_EQUAL) {
            result.append(replacement);
            p += n;
        } else {
            result.appendChar(data_[p]);
            ++p;
        }
    }
    return result;
}

TextBuffer withTrailingSeparator(const char* path) {
    TextBuffer result(path);
    result.trim(kBlankSet);
    if (result.visibleLength() > 0 && !endsWithSeparator(result)) {
        result.append("\\");
    }
    return result;
}

TextBuffer withoutTrailingSeparator(const char* path) {
    TextBuffer result(path);
    result.trim(kBlankSet);
    if (endsWithSeparator(result)) {
        result.removeLastChar();
    }
    return result;
}

TextBuffer concat(const TextBuffer& first, const TextBuffer& second) {
    TextBuffer result(first);
    result.append(second);
    return result;
}

TextBuffer concat(const TextBuffer& first, const char* second) {
    TextBuffer result(first);
    result.append(second);
    return result;
}

const char* findPathSeparator(const char* text) {
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; p += charLength(p)) {
        if (isSeparator(*p)) {
            return p;
        }
    }
    return nullptr;
}

const char* nextCharacter(const char* text) {
    return *text != '\0' ? text + charLength(text) : text;
}
