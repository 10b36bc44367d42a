// TextBuffer: the program's one string type.
//
// A growable block of 8-bit ANSI text on the process heap. `length` counts the
// terminating NUL, so the empty text has length 1 and the visible length is
// length - 1. Copies are deep. Storage grows by doubling while that stays under
// one memory page, then by whole pages (with one page of headroom when the growth
// would be less than four times the request); removals hand memory back only when
// more than one page (at least 16 bytes) would stay idle.
//
// Failures are raised as TextBufferError with code 2 (allocation failure) or
// 3 (position out of range). Before raising, the buffer frees its block; after a
// failure a buffer may only be destroyed.
//
// The raw operations (appendBytes, resize, removeAt, erase) and reset may leave
// the buffer without a terminator; every text-level operation leaves it
// terminated.
#pragma once

#include <windows.h>

#include <cstdint>

struct TextBufferError {
    static constexpr int kAllocationFailed = 2;
    static constexpr int kOutOfRange = 3;
    int code;
};

class TextBuffer {
public:
    static constexpr int32_t kInitialCapacity = 260;

    TextBuffer();
    explicit TextBuffer(const char* text);
    explicit TextBuffer(const wchar_t* text);
    TextBuffer(const TextBuffer& other);
    TextBuffer& operator=(const TextBuffer& other) { return assign(other); }
    ~TextBuffer();

    // Storage management.
    void reserve(uint32_t extra);
    void shrinkToFit();
    void reset();
    void clear();
    uint32_t terminate();
    const char* text() const { return data_; }
    char* data() { return data_; }
    uint32_t length() const { return length_; }
    uint32_t capacity() const { return capacity_; }
    uint32_t growthStep() const { return growthStep_; }
    uint32_t visibleLength() const { return length_ ? length_ - 1 : 0; }

    // Assignment.
    TextBuffer& assign(const TextBuffer& other);
    TextBuffer& assign(const char* text);
    bool assignWide(const wchar_t* text, int count);
    uint32_t format(const char* fmt, ...) __attribute__((format(ms_printf, 2, 3)));
    uint32_t appendFormat(const char* fmt, ...) __attribute__((format(ms_printf, 2, 3)));

    // Appending.
    uint32_t appendBytes(const void* bytes, int32_t count);
    uint32_t append(const char* text);
    TextBuffer& append(const TextBuffer& other);
    uint32_t appendChar(char c);

    // Resizing and removal.
    uint32_t resize(uint32_t newLength, char fill);
    uint32_t resizeFilled(int32_t count, char fill);
    uint32_t removeAt(uint32_t position);
    uint32_t erase(uint32_t position, int32_t count);
    uint32_t eraseText(uint32_t position, int32_t count);
    uint32_t removeLastChar();
    char at(uint32_t position) const;

    // Searching and classification (text_helpers.cpp). Positions are bytes; -1
    // means "not found".
    int32_t findChar(char c, int32_t start) const;
    int32_t countChar(char c, int32_t start) const;
    int32_t findText(const char* pattern, int32_t start) const;
    // Flags: 1 admits blanks, 2 tabs, 4 carriage returns and line feeds.
    int isBlank(unsigned flags) const;

    // Trimming, in place.
    void trimLeft(const char* set);
    void trimRight(const char* set);
    void trim(const char* set);

    // Substrings; the source is left unchanged.
    TextBuffer left(int32_t count) const;
    TextBuffer right(int32_t count) const;
    TextBuffer mid(int32_t start, int32_t count) const;
    // Next token at or after *position; the empty text and *position == -1 mark
    // the end. Runs of delimiters are skipped; empty tokens never appear.
    TextBuffer nextToken(const char* delimiters, int32_t* position) const;
    void keepAlphanumeric();
    TextBuffer replaceAll(const char* pattern, const char* replacement, bool ignoreCase) const;

private:
    void initialAllocate();
    void reallocate(uint32_t newCapacity);
    [[noreturn]] void fail(int code);
    void dropTerminator();

    HANDLE heap_ = nullptr;
    char* data_ = nullptr;
    uint32_t growthStep_ = 0;
    uint32_t capacity_ = 0;
    uint32_t length_ = 0;
    int32_t initialCapacity_ = kInitialCapacity;
};

// The blank set that every caller trims with.
inline constexpr const char* kBlankSet = " \t\r\n";
