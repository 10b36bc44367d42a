// Owners of the system's handles, keys and COM objects: each releases what it
// holds when it goes out of scope, on every path. None can be copied.
//
// ScopedHandle      a kernel handle (file, pipe, process, mutex); null and
//                   INVALID_HANDLE_VALUE both mean "none" and are never closed.
// ScopedFind        a FindFirstFile search; INVALID_HANDLE_VALUE means none.
// ScopedKey         a registry key opened or created into out(); null means none.
// ScopedCryptProvider, ScopedCryptHash
//                   a cryptographic provider context and a hash made into out();
//                   0 means none.
// ComPtr<I>         a COM interface filled through out(); null means none.
// ComInitialisation COM on this thread (CoInitializeEx with the given model),
//                   undone only when it succeeded.
// OleInitialisation OLE, and with it COM, on this thread; undone only when it
//                   succeeded.
// ShellAllocator    the shell's task allocator (SHGetMalloc); available() is
//                   false when the shell gave none.
// ShellItemList     an item list that the shell allocated, freed with the
//                   allocator given; declare the allocator first so that it
//                   outlives its lists.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include <wincrypt.h>

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }

private:
    HANDLE handle_;
};

class ScopedFind {
public:
    explicit ScopedFind(HANDLE search) : search_(search) {}
    ~ScopedFind() {
        if (valid()) {
            FindClose(search_);
        }
    }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;
    bool valid() const { return search_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return search_; }

private:
    HANDLE search_;
};

class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class ScopedCryptProvider {
public:
    ScopedCryptProvider() = default;
    ~ScopedCryptProvider() {
        if (handle_ != 0) {
            CryptReleaseContext(handle_, 0);
        }
    }
    ScopedCryptProvider(const ScopedCryptProvider&) = delete;
    ScopedCryptProvider& operator=(const ScopedCryptProvider&) = delete;
    HCRYPTPROV* out() { return &handle_; }
    HCRYPTPROV get() const { return handle_; }

private:
    HCRYPTPROV handle_ = 0;
};

class ScopedCryptHash {
public:
    ScopedCryptHash() = default;
    ~ScopedCryptHash() {
        if (handle_ != 0) {
            CryptDestroyHash(handle_);
        }
    }
    ScopedCryptHash(const ScopedCryptHash&) = delete;
    ScopedCryptHash& operator=(const ScopedCryptHash&) = delete;
    HCRYPTHASH* out() { return &handle_; }
    HCRYPTHASH get() const { return handle_; }

private:
    HCRYPTHASH handle_ = 0;
};

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    void** out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

class ComInitialisation {
public:
    explicit ComInitialisation(DWORD model = COINIT_APARTMENTTHREADED)
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ~ComInitialisation() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComInitialisation(const ComInitialisation&) = delete;
    ComInitialisation& operator=(const ComInitialisation&) = delete;

private:
    bool initialised_;
};

class OleInitialisation {
public:
    OleInitialisation() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleInitialisation() {
        if (initialised_) {
            OleUninitialize();
        }
    }
    OleInitialisation(const OleInitialisation&) = delete;
    OleInitialisation& operator=(const OleInitialisation&) = delete;

private:
    bool initialised_;
};

class ShellAllocator {
public:
    ShellAllocator() {
        if (FAILED(SHGetMalloc(&malloc_))) {
            malloc_ = nullptr;
        }
    }
    ~ShellAllocator() {
        if (malloc_ != nullptr) {
            malloc_->Release();
        }
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    // False when the shell gave no allocator; nothing else may then be asked of it.
    bool available() const { return malloc_ != nullptr; }
    IMalloc* get() const { return malloc_; }

private:
    IMalloc* malloc_ = nullptr;
};

class ShellItemList {
public:
    explicit ShellItemList(const ShellAllocator& allocator) : allocator_(allocator) {}
    ~ShellItemList() {
        if (items_ != nullptr && allocator_.available()) {
            allocator_.get()->Free(items_);
        }
    }
    ShellItemList(const ShellItemList&) = delete;
    ShellItemList& operator=(const ShellItemList&) = delete;

    // For the shell to fill; the list it stores is freed with the guard.
    LPITEMIDLIST* out() { return &items_; }
    LPITEMIDLIST get() const { return items_; }

private:
    const ShellAllocator& allocator_;
    LPITEMIDLIST items_ = nullptr;
};
