// TextBuffer storage, assignment, appending, formatting and removal.
#include "text/text_buffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The smallest slack that shrinking leaves, whatever the page size.
constexpr uint32_t kMinimumSlack = 16;

// Capacities are 32-bit; a request that does not fit cannot be allocated.
bool fitsCapacity(uint64_t size) {
    return size <= UINT32_MAX;
}

// True when `bytes` points into [begin, begin + size).
bool pointsInto(const void* bytes, const char* begin, uint32_t size) {
    const char* p = static_cast<const char*>(bytes);
    return begin != nullptr && p >= begin && p < begin + size;
}

}  // namespace

TextBuffer::TextBuffer() {
    initialAllocate();
    appendBytes("", 1);
}

TextBuffer::TextBuffer(const char* text) {
    initialAllocate();
    int n = lstrlenA(text);
    if (n <= 0) {
        appendBytes("", 1);
        return;
    }
    appendBytes(text, n);
    terminate();
}

TextBuffer::TextBuffer(const wchar_t* text) {
    initialAllocate();
    // A null or unconvertible string still leaves a usable, terminated text.
    if (!assignWide(text, -1)) {
        clear();
    }
}

TextBuffer::TextBuffer(const TextBuffer& other) {
    initialAllocate();
    assign(other);
}

TextBuffer::~TextBuffer() {
    if (data_) {
        HeapFree(heap_, 0, data_);
    }
    capacity_ = 0;
    data_ = nullptr;
}

void TextBuffer::initialAllocate() {
    data_ = nullptr;
    capacity_ = 0;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    growthStep_ = info.dwPageSize;
    heap_ = GetProcessHeap();
    initialCapacity_ = kInitialCapacity;
    data_ = static_cast<char*>(HeapAlloc(heap_, 0, initialCapacity_));
    if (data_) {
        capacity_ = initialCapacity_;
        length_ = 0;
    }
}

void TextBuffer::reallocate(uint32_t newCapacity) {
    // A buffer without a block (failed construction or earlier failure) cannot grow.
    if (!data_) {
        fail(TextBufferError::kAllocationFailed);
    }
    void* moved = HeapReAlloc(heap_, 0, data_, newCapacity);
    if (!moved) {
        fail(TextBufferError::kAllocationFailed);
    }
    data_ = static_cast<char*>(moved);
    capacity_ = newCapacity;
}

void TextBuffer::fail(int code) {
    if (data_) {
        HeapFree(heap_, 0, data_);
    }
    data_ = nullptr;
    capacity_ = 0;
    length_ = 0;
    throw TextBufferError{code};
}

void TextBuffer::dropTerminator() {
    if (length_ > 0 && data_[length_ - 1] == '\0') {
        --length_;
    }
}

void TextBuffer::reserve(uint32_t extra) {
    uint64_t need = uint64_t{length_} + extra;
    if (need <= capacity_) {
        return;
    }
    uint64_t newCapacity = uint64_t{capacity_} * 2;
    if (newCapacity < need || newCapacity >= growthStep_) {
        newCapacity = uint64_t{growthStep_} * (need / growthStep_ + 1);
        if (newCapacity - capacity_ < uint64_t{extra} * 4) {
            newCapacity += growthStep_;
        }
    }
    if (!fitsCapacity(newCapacity)) {
        fail(TextBufferError::kAllocationFailed);
    }
    reallocate(static_cast<uint32_t>(newCapacity));
}

void TextBuffer::shrinkToFit() {
    uint32_t slack = growthStep_ > kMinimumSlack ? growthStep_ : kMinimumSlack;
    if (capacity_ - length_ <= slack) {
        return;
    }
    reallocate(length_ + slack);
}

void TextBuffer::reset() {
    reallocate(initialCapacity_);
    length_ = 0;
}

void TextBuffer::clear() {
    reset();
    appendBytes("", 1);
}

uint32_t TextBuffer::terminate() {
    if (length_ == 0 || data_[length_ - 1] != '\0') {
        appendBytes("", 1);
    }
    return length_;
}

TextBuffer& TextBuffer::assign(const TextBuffer& other) {
    if (&other == this) {
        return *this;
    }
    reallocate(other.capacity_);
    memcpy(data_, other.data_, other.length_);
    length_ = other.length_;
    return *this;
}

TextBuffer& TextBuffer::assign(const char* text) {
    // Resetting may move the block, so text taken from this buffer is copied first.
    if (pointsInto(text, data_, capacity_)) {
        TextBuffer copy(text);
        return assign(copy);
    }
    reset();
    int n = lstrlenA(text);
    if (n <= 0) {
        reset();
        appendBytes("", 1);
        return *this;
    }
    appendBytes(text, n);
    terminate();
    return *this;
}

bool TextBuffer::assignWide(const wchar_t* text, int count) {
    if (!text) {
        return false;
    }
    int bytes;
    int characters;
    if (count < 0) {
        count = lstrlenW(text) + 1;
        bytes = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
        characters = bytes - 1;
    } else if (count == 0) {
        clear();
        return true;
    } else {
        bytes = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
        characters = bytes;
    }
    if (bytes <= 0) {
        return false;
    }
    resizeFilled(characters, ' ');
    int written = WideCharToMultiByte(CP_ACP, 0, text, count, data_, bytes, nullptr, nullptr);
    return written == bytes;
}

namespace {

// Formats into a block of exactly the needed size from the general allocator.
// Returns the number of characters, or -1 when the format cannot be rendered.
// The system's C runtime formats: the program's formats (%s, %d, %u, %X with
// width) render the same there, and the compiler's portable printf would add
// some 20 KB to the setup.
int formatToBlock(const char* fmt, va_list args, std::unique_ptr<char[]>& block) {
    va_list measure;
    va_copy(measure, args);
    int n = _vscprintf(fmt, measure);
    va_end(measure);
    if (n < 0) {
        return -1;
    }
    block.reset(new char[static_cast<size_t>(n) + 1]);
    return _vsnprintf(block.get(), static_cast<size_t>(n) + 1, fmt, args);
}

}  // namespace

uint32_t TextBuffer::format(const char* fmt, ...) {
    // Formatting before the reset lets the arguments come from this buffer.
    std::unique_ptr<char[]> block;
    va_list args;
    va_start(args, fmt);
    int n = formatToBlock(fmt, args, block);
    va_end(args);
    reset();
    if (n > 0) {
        appendBytes(block.get(), n);
    }
    return terminate();
}

uint32_t TextBuffer::appendFormat(const char* fmt, ...) {
    std::unique_ptr<char[]> block;
    va_list args;
    va_start(args, fmt);
    int n = formatToBlock(fmt, args, block);
    va_end(args);
    dropTerminator();
    if (n > 0) {
        appendBytes(block.get(), n);
    }
    return terminate();
}

uint32_t TextBuffer::appendBytes(const void* bytes, int32_t count) {
    if (count <= 0) {
        return length_;
    }
    // Growing may move the block; bytes taken from it are found again by offset.
    const char* source = static_cast<const char*>(bytes);
    bool inside = pointsInto(bytes, data_, capacity_);
    size_t offset = inside ? static_cast<size_t>(source - data_) : 0;
    reserve(static_cast<uint32_t>(count));
    if (inside) {
        source = data_ + offset;
    }
    memmove(data_ + length_, source, static_cast<size_t>(count));
    length_ += static_cast<uint32_t>(count);
    return length_;
}

uint32_t TextBuffer::append(const char* text) {
    dropTerminator();
    appendBytes(text, lstrlenA(text));
    return terminate();
}

TextBuffer& TextBuffer::append(const TextBuffer& other) {
    if (&other == this) {
        TextBuffer copy(other);
        return append(copy);
    }
    dropTerminator();
    uint64_t combined = uint64_t{capacity_} + other.capacity_;
    if (!fitsCapacity(combined)) {
        fail(TextBufferError::kAllocationFailed);
    }
    reallocate(static_cast<uint32_t>(combined));
    memcpy(data_ + length_, other.data_, other.length_);
    length_ += other.length_;
    terminate();
    return *this;
}

uint32_t TextBuffer::appendChar(char c) {
    dropTerminator();
    reserve(1);
    data_[length_++] = c;
    if (c != '\0') {
        appendBytes("", 1);
    }
    return length_;
}

uint32_t TextBuffer::resize(uint32_t newLength, char fill) {
    if (newLength < length_) {
        length_ = newLength;
        shrinkToFit();
    } else if (newLength > length_) {
        uint32_t extra = newLength - length_;
        reserve(extra);
        memset(data_ + length_, fill, extra);
        length_ = newLength;
    }
    return length_;
}

uint32_t TextBuffer::resizeFilled(int32_t count, char fill) {
    if (count <= 0) {
        clear();
        return 0;
    }
    dropTerminator();
    resize(static_cast<uint32_t>(count), fill);
    return terminate();
}

uint32_t TextBuffer::removeAt(uint32_t position) {
    if (position >= length_) {
        fail(TextBufferError::kOutOfRange);
    }
    memmove(data_ + position, data_ + position + 1, length_ - position - 1);
    --length_;
    shrinkToFit();
    return length_;
}

uint32_t TextBuffer::erase(uint32_t position, int32_t count) {
    if (position >= length_ || count <= 0) {
        fail(TextBufferError::kOutOfRange);
    }
    uint32_t removed = static_cast<uint32_t>(count);
    if (removed > length_ - position) {
        removed = length_ - position;
    }
    memmove(data_ + position, data_ + position + removed, length_ - position - removed);
    length_ -= removed;
    shrinkToFit();
    return length_;
}

uint32_t TextBuffer::eraseText(uint32_t position, int32_t count) {
    if (count <= 0) {
        return length_;
    }
    erase(position, count);
    return terminate();
}

uint32_t TextBuffer::removeLastChar() {
    dropTerminator();
    if (length_ != 0) {
        removeAt(length_ - 1);
    }
    return terminate();
}

char TextBuffer::at(uint32_t position) const {
    // A read-only buffer keeps its block; the caller still may only destroy it.
    if (position >= length_) {
        throw TextBufferError{TextBufferError::kOutOfRange};
    }
    return data_[position];
}
