#pragma once
// Small owners of Win32 resources, released when they go out of scope.
#include <windows.h>

#include <utility>

// A kernel handle closed with CloseHandle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = nullptr;
};

// The clipboard opened for one operation and closed when the session ends.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession() {
        if (open_)
            CloseClipboard();
    }
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

// A global memory block freed with GlobalFree unless handed on with release().
class UniqueGlobal {
public:
    explicit UniqueGlobal(HGLOBAL block) : block_(block) {}
    UniqueGlobal(const UniqueGlobal&) = delete;
    UniqueGlobal& operator=(const UniqueGlobal&) = delete;
    ~UniqueGlobal() {
        if (block_)
            GlobalFree(block_);
    }
    HGLOBAL get() const { return block_; }
    HGLOBAL release() { return std::exchange(block_, nullptr); }
    explicit operator bool() const { return block_ != nullptr; }

private:
    HGLOBAL block_;
};

// A global memory block locked for access; data() is null when the lock failed.
class ScopedGlobalLock {
public:
    explicit ScopedGlobalLock(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
    ScopedGlobalLock(const ScopedGlobalLock&) = delete;
    ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
    ~ScopedGlobalLock() {
        if (data_)
            GlobalUnlock(block_);
    }
    void* data() const { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};
