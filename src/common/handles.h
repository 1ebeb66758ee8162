// RAII for Windows handles: one move-only template, one traits struct per kind.
// Each traits struct names the kind's empty value (NULL or INVALID_HANDLE_VALUE)
// and how to close it, so a handle is closed exactly once whatever path is taken.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept : value_(Traits::Empty()) {}
    explicit Unique(Type value) noexcept : value_(value) {}
    ~Unique() { reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Empty(); }

    // Gives up ownership without closing.
    Type release() noexcept { return std::exchange(value_, Traits::Empty()); }

    void reset(Type value = Traits::Empty()) noexcept
    {
        Type old = std::exchange(value_, value);
        if (old != Traits::Empty())
            Traits::Close(old);
    }

    // Closes what is held and hands out the slot for an API that fills it.
    Type* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    Type value_;
};

struct HandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FileTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FindTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};

struct HkeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};

struct GdiObjTraits {
    using Type = HGDIOBJ;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

// A DC made with CreateDC or CreateCompatibleDC; a GetDC result needs ReleaseDC instead.
struct DcTraits {
    using Type = HDC;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};

struct MenuTraits {
    using Type = HMENU;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};

// Only icons the program created; shared icons from LoadIcon are never destroyed.
struct IconTraits {
    using Type = HICON;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};

struct GlobalTraits {
    using Type = HGLOBAL;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};

// A view of a file mapping.
struct ViewTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};

// A C runtime stream.
struct StdFileTraits {
    using Type = FILE*;
    static Type Empty() { return nullptr; }
    static void Close(Type file) { fclose(file); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueHkey = Unique<HkeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueGdiObj = Unique<GdiObjTraits>;
using UniqueDc = Unique<DcTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueGlobal = Unique<GlobalTraits>;
using UniqueView = Unique<ViewTraits>;
using UniqueStdFile = Unique<StdFileTraits>;

// Locks a movable global block for as long as the scope lasts; get() is null when
// the block is null or cannot be locked.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) noexcept : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~LockedGlobal()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* get() const noexcept { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

// A critical section for its owner's lifetime.
class CriticalSection {
public:
    CriticalSection() noexcept { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    CRITICAL_SECTION* get() noexcept { return &section_; }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section for as long as the scope lasts.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION* section) noexcept : section_(section)
    {
        EnterCriticalSection(section);
    }
    ~CriticalSectionLock() { LeaveCriticalSection(section_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION* section_;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A DC from GetDC, given back with ReleaseDC for the same window.
class WindowDc {
public:
    WindowDc() noexcept = default;
    explicit WindowDc(HWND window) noexcept { Take(window); }
    ~WindowDc() { reset(); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

    // Gives back the DC held, then gets the window's (null: the screen's).
    void Take(HWND window) noexcept
    {
        reset();
        window_ = window;
        dc_ = GetDC(window);
    }
    void reset() noexcept
    {
        if (dc_)
            ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ~PaintDc() { EndPaint(window_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& paint() const noexcept { return ps_; }

private:
    HWND window_;
    PAINTSTRUCT ps_ = {};
    HDC dc_;
};
