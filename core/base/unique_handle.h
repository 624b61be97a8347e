// Move-only owner of one platform handle. The traits name the handle type,
// its invalid value and the call that releases it, so the same template owns
// bitmaps, fonts, kernel handles, icons and menus. No platform headers here:
// the traits live with the code that knows the platform.
#pragma once

#include <utility>

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept : handle_(Traits::Invalid()) {}
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    ~UniqueHandle() { Close(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // Gives up ownership without closing.
    Handle Release() noexcept {
        Handle h = handle_;
        handle_ = Traits::Invalid();
        return h;
    }

    // Takes `h` and closes what was held before (never the same handle twice).
    void Reset(Handle h = Traits::Invalid()) noexcept {
        if (h == handle_) return;
        Close();
        handle_ = h;
    }

private:
    void Close() noexcept {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }

    Handle handle_;
};
