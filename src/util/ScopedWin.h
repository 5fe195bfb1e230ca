// Owners of Win32 handles: one move-only type per handle kind, each closing its handle
// exactly once. Copying is forbidden because a copy would close twice. Also `defer`, a
// guard for one-off cleanup.
#pragma once

#include <windows.h>

#include <utility>

// The generic owner. Traits give the value that means "none" and how to close.
template <class T, class Traits> class ScopedWin {
public:
    ScopedWin() noexcept : value_(Traits::none()) {}
    explicit ScopedWin(T value) noexcept : value_(value) {}
    ScopedWin(ScopedWin&& other) noexcept : value_(other.release()) {}
    ScopedWin& operator=(ScopedWin&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedWin(const ScopedWin&) = delete;
    ScopedWin& operator=(const ScopedWin&) = delete;
    ~ScopedWin() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::none(); }
    // Gives up ownership without closing.
    T release() noexcept
    {
        T v = value_;
        value_ = Traits::none();
        return v;
    }
    void reset(T value = Traits::none()) noexcept
    {
        if (value_ != Traits::none())
            Traits::close(value_);
        value_ = value;
    }

private:
    T value_;
};

namespace scoped_traits {
// Files and other handles where CreateFile's INVALID_HANDLE_VALUE means "none".
struct File {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
// Processes, threads, events, mappings: NULL means "none".
struct Handle {
    static HANDLE none() { return nullptr; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
// FindFirstFile: INVALID_HANDLE_VALUE means "none".
struct Find {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};
template <class G> struct Gdi {
    static G none() { return nullptr; }
    static void close(G h) { ::DeleteObject(h); }
};
struct Icon {
    static HICON none() { return nullptr; }
    static void close(HICON h) { ::DestroyIcon(h); }
};
struct MemDC {
    static HDC none() { return nullptr; }
    static void close(HDC h) { ::DeleteDC(h); }
};
struct Library {
    static HMODULE none() { return nullptr; }
    static void close(HMODULE h) { ::FreeLibrary(h); }
};
// Global atoms: 0 means "none".
struct GlobalAtom {
    static ATOM none() { return 0; }
    static void close(ATOM a) { ::GlobalDeleteAtom(a); }
};
struct RegKey {
    static HKEY none() { return nullptr; }
    static void close(HKEY k) { ::RegCloseKey(k); }
};
struct Window {
    static HWND none() { return nullptr; }
    static void close(HWND w) { ::DestroyWindow(w); }
};
} // namespace scoped_traits

using ScopedFile = ScopedWin<HANDLE, scoped_traits::File>;
using ScopedHandle = ScopedWin<HANDLE, scoped_traits::Handle>;
using ScopedFind = ScopedWin<HANDLE, scoped_traits::Find>;
using ScopedFont = ScopedWin<HFONT, scoped_traits::Gdi<HFONT>>;
using ScopedBrush = ScopedWin<HBRUSH, scoped_traits::Gdi<HBRUSH>>;
using ScopedPen = ScopedWin<HPEN, scoped_traits::Gdi<HPEN>>;
using ScopedBitmap = ScopedWin<HBITMAP, scoped_traits::Gdi<HBITMAP>>;
using ScopedRegion = ScopedWin<HRGN, scoped_traits::Gdi<HRGN>>;
using ScopedIcon = ScopedWin<HICON, scoped_traits::Icon>;
using ScopedMemDC = ScopedWin<HDC, scoped_traits::MemDC>;
using ScopedLibrary = ScopedWin<HMODULE, scoped_traits::Library>;
using ScopedAtom = ScopedWin<ATOM, scoped_traits::GlobalAtom>;
using ScopedRegKey = ScopedWin<HKEY, scoped_traits::RegKey>;
using ScopedWindow = ScopedWin<HWND, scoped_traits::Window>;

// A window's device context from GetDC, released to that window. NULL means "none".
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ScopedGetDC(ScopedGetDC&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    ScopedGetDC& operator=(ScopedGetDC&&) = delete;
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    ~ScopedGetDC()
    {
        if (dc_)
            ::ReleaseDC(window_, dc_);
    }
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// auto cleanup = defer([&] { ... });  runs the function when the scope ends.
template <class F> class Deferred {
public:
    explicit Deferred(F f) noexcept : f_(std::move(f)) {}
    Deferred(Deferred&& other) noexcept : f_(std::move(other.f_)), armed_(std::exchange(other.armed_, false)) {}
    Deferred(const Deferred&) = delete;
    Deferred& operator=(const Deferred&) = delete;
    Deferred& operator=(Deferred&&) = delete;
    ~Deferred()
    {
        if (armed_)
            f_();
    }
    // Keeps the function from running.
    void cancel() noexcept { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};

template <class F> [[nodiscard]] Deferred<F> defer(F f) noexcept { return Deferred<F>(std::move(f)); }
